#pragma once

#include <memory>

#include "webview2/webview2_api.h"
#include "tests/standin/dispatcher.h"
#include "tests/standin/event_handlers.h"
#include "tests/standin/scenario.h"
#include "tests/standin/standin_object.h"

namespace quorvane::standin {

class Environment final : public StandinObject<Environment, ICoreWebView2Environment> {
  public:
    Environment(std::shared_ptr<Dispatcher> dispatcher, Scenario scenario);

    // A controller and its view, made at once (the completion of CreateCoreWebView2Controller
    // delivers one of these; in-process tests take one directly).
    ComRef<ICoreWebView2Controller> makeController(HWND parent);

    HRESULT STDMETHODCALLTYPE CreateCoreWebView2Controller(
        HWND parentWindow,
        ICoreWebView2CreateCoreWebView2ControllerCompletedHandler* handler) noexcept override;
    HRESULT STDMETHODCALLTYPE CreateWebResourceResponse(
        IStream* content, int statusCode, LPCWSTR reasonPhrase, LPCWSTR headers,
        ICoreWebView2WebResourceResponse** response) noexcept override;
    HRESULT STDMETHODCALLTYPE get_BrowserVersionString(LPWSTR* versionInfo) noexcept override;
    HRESULT STDMETHODCALLTYPE
    add_NewBrowserVersionAvailable(ICoreWebView2NewBrowserVersionAvailableEventHandler* handler,
                                   EventRegistrationToken* token) noexcept override;
    HRESULT STDMETHODCALLTYPE
    remove_NewBrowserVersionAvailable(EventRegistrationToken token) noexcept override;

  private:
    std::shared_ptr<Dispatcher> dispatcher_;
    Scenario scenario_;
    EventHandlers handlers_;
};

// Both ways into the stand-in (the loader's export and the runtime client library's) end here:
// records the options the shell passed, then delivers the environment (or the scenario's
// failure) to |handler| from the calling thread's message loop, after this call has returned.
HRESULT createEnvironment(const Scenario& scenario, IUnknown* options,
                          ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler* handler);

}  // namespace quorvane::standin
