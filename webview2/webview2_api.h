#pragma once

// The browser runtime's binary interface (WebView2, stable 1.0 SDK generation), declared here
// because the SDK is not part of the build. Names, IIDs, method order and parameter types are
// those the runtime itself publishes, in the global namespace, so this header can be swapped for
// the SDK's own WebView2.h without touching the code that includes it. A method declared out of
// order still compiles and would call a different method inside the real runtime:
// tests/webview2/webview2_abi_test.cpp checks every slot and IID.

#include "webview2/webview2_types.h"
#include "webview2/webview2_core.h"
#include "webview2/webview2_settings.h"
#include "webview2/webview2_events.h"

// The two exports of the loader library, WebView2Loader.dll (undecorated C names).
typedef HRESULT(STDMETHODCALLTYPE* CreateCoreWebView2EnvironmentWithOptionsFn)(
    PCWSTR browserExecutableFolder, PCWSTR userDataFolder,
    ICoreWebView2EnvironmentOptions* environmentOptions,
    ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler* environmentCreatedHandler);
typedef HRESULT(STDMETHODCALLTYPE* GetAvailableCoreWebView2BrowserVersionStringFn)(
    PCWSTR browserExecutableFolder, LPWSTR* versionInfo);
