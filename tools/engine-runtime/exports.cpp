// The engine runtime's exports: the loader library's two functions, and the runtime client
// library's entry point, so the DLL serves as WebView2Loader.dll beside a shell or as a fixed
// runtime's EBWebView\x64\EmbeddedBrowserWebView.dll.
#include <windows.h>

#include "platform/com_ref.h"
#include "platform/utf8.h"
#include "tools/engine-runtime/chromium.h"
#include "tools/engine-runtime/com_util.h"
#include "tools/engine-runtime/environment.h"

using namespace quorvane::engine;

#define QV_ENGINE_EXPORT extern "C" __declspec(dllexport)

QV_ENGINE_EXPORT HRESULT STDMETHODCALLTYPE
GetAvailableCoreWebView2BrowserVersionString(PCWSTR, LPWSTR* versionInfo) {
    if (versionInfo == nullptr)
        return E_POINTER;
    *versionInfo = nullptr;
    const std::wstring version = chromiumVersion();
    // As the loader answers when it finds no runtime: a failure and no string.
    if (version.empty())
        return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
    return copyOut(version, versionInfo);
}

QV_ENGINE_EXPORT HRESULT STDMETHODCALLTYPE CreateCoreWebView2EnvironmentWithOptions(
    PCWSTR, PCWSTR userDataFolder, ICoreWebView2EnvironmentOptions* environmentOptions,
    ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler* environmentCreatedHandler) {
    try {
        return createEnvironment(environmentOptions, userDataFolder, environmentCreatedHandler);
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

QV_ENGINE_EXPORT HRESULT STDMETHODCALLTYPE CreateWebViewEnvironmentWithOptionsInternal(
    bool, int, PCWSTR userDataFolder, IUnknown* environmentOptions,
    ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler* environmentCreatedHandler) {
    try {
        // The options arrive as IUnknown here: ask for the interface, as the runtime does.
        quorvane::ComRef<ICoreWebView2EnvironmentOptions> options;
        if (environmentOptions != nullptr) {
            environmentOptions->QueryInterface(IID_ICoreWebView2EnvironmentOptions,
                                               reinterpret_cast<void**>(options.put()));
        }
        return createEnvironment(options.get(), userDataFolder, environmentCreatedHandler);
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}
