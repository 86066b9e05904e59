#pragma once

#include <windows.h>

#include <string>

#include "webview2/webview2_api.h"

namespace quorvane {

// The one seam through which the shell reaches the browser runtime, with the semantics of the
// loader library's exports of the same names. When WebView2Loader.dll lies in the executable's own
// folder, that library is loaded by its full path and called. Otherwise a built-in loader does its
// work: it finds the runtime (see findInstalledRuntime) and creates the environment through the
// runtime's client library, so the shell can ship as one executable.

// On success *versionInfo holds the runtime's version (CoTaskMemAlloc'ed; the caller frees it).
// When no runtime is found *versionInfo is null and the result is
// HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND), as the loader library answers.
HRESULT GetAvailableCoreWebView2BrowserVersionString(PCWSTR browserExecutableFolder,
                                                     LPWSTR* versionInfo) noexcept;

// Starts creating the environment; the handler is called later, from the calling thread's
// message loop. A failure returned here means the handler will not be called.
HRESULT CreateCoreWebView2EnvironmentWithOptions(
    PCWSTR browserExecutableFolder, PCWSTR userDataFolder,
    ICoreWebView2EnvironmentOptions* environmentOptions,
    ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler* environmentCreatedHandler) noexcept;

// Where the runtime for |browserExecutableFolder| is, for the log: the loader library beside the
// executable when there is one (it decides), otherwise the runtime's folder; empty when none.
std::wstring runtimeLocation(PCWSTR browserExecutableFolder);

// The same two, looking for WebView2Loader.dll in |loaderFolder| instead of the executable's
// folder (so tests can lay out any folder).
HRESULT availableBrowserVersionFrom(const std::wstring& loaderFolder,
                                    PCWSTR browserExecutableFolder, LPWSTR* versionInfo) noexcept;
HRESULT createEnvironmentFrom(
    const std::wstring& loaderFolder, PCWSTR browserExecutableFolder, PCWSTR userDataFolder,
    ICoreWebView2EnvironmentOptions* environmentOptions,
    ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler* environmentCreatedHandler) noexcept;

}  // namespace quorvane
