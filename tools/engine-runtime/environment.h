#pragma once

#include <windows.h>

#include <memory>

#include "platform/com_object.h"
#include "webview2/webview2_api.h"
#include "tools/engine-runtime/browser.h"

namespace quorvane::engine {

// Reports to |handler| from the message loop; fails at once when no browser is installed.
HRESULT createEnvironment(ICoreWebView2EnvironmentOptions* options, PCWSTR userDataFolder,
                          ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler* handler);

class Environment final : public ComObject<Environment, ICoreWebView2Environment> {
  public:
    explicit Environment(std::shared_ptr<Browser> browser)
        : ComObject(IID_ICoreWebView2Environment), browser_(std::move(browser)) {}
    HRESULT STDMETHODCALLTYPE CreateCoreWebView2Controller(
        HWND parentWindow,
        ICoreWebView2CreateCoreWebView2ControllerCompletedHandler* handler) noexcept override;
    HRESULT STDMETHODCALLTYPE CreateWebResourceResponse(
        IStream* content, int statusCode, LPCWSTR reasonPhrase, LPCWSTR headers,
        ICoreWebView2WebResourceResponse** response) noexcept override;
    HRESULT STDMETHODCALLTYPE get_BrowserVersionString(LPWSTR* versionInfo) noexcept override;
    HRESULT STDMETHODCALLTYPE
    add_NewBrowserVersionAvailable(ICoreWebView2NewBrowserVersionAvailableEventHandler*,
                                   EventRegistrationToken*) noexcept override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE
    remove_NewBrowserVersionAvailable(EventRegistrationToken) noexcept override {
        return E_NOTIMPL;
    }
    const std::shared_ptr<Browser>& browser() const { return browser_; }

  private:
    friend class ComObject<Environment, ICoreWebView2Environment>;
    ~Environment() = default;
    std::shared_ptr<Browser> browser_;
};

}  // namespace quorvane::engine
