#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "webview2/webview2_api.h"
#include "tests/standin/dispatcher.h"
#include "tests/standin/event_handlers.h"
#include "tests/standin/scenario.h"
#include "tests/standin/settings.h"
#include "tests/standin/standin_object.h"

namespace quorvane::standin {

// The view: ICoreWebView2 and, when the scenario offers it, ICoreWebView2_2 on the same object.
// Navigations and the scenario's steps run as tasks on the dispatcher, one after another: each
// step starts when the one before it has finished (a resource request finishes when its response
// body has been read).
class WebView final : public StandinObject<WebView, ICoreWebView2_2> {
  public:
    WebView(std::shared_ptr<Dispatcher> dispatcher, Scenario scenario,
            ComRef<ICoreWebView2Environment> environment);

    // Raises WebResourceRequested for one request (when a filter matches), waits for the body
    // of the response the shell set, records it, then calls |done| on the dispatcher's thread.
    void requestResource(const std::wstring& uri, const std::wstring& method,
                         const std::wstring& headerLines, int context, std::function<void()> done);

    // The window the view is hosted in (its controller's parent), for the player's window steps.
    void setHostWindow(HWND window) { hostWindow_ = window; }

    // ICoreWebView2
    HRESULT STDMETHODCALLTYPE get_Settings(ICoreWebView2Settings** settings) noexcept override;
    HRESULT STDMETHODCALLTYPE get_Source(LPWSTR* uri) noexcept override;
    HRESULT STDMETHODCALLTYPE Navigate(LPCWSTR uri) noexcept override;
    HRESULT STDMETHODCALLTYPE NavigateToString(LPCWSTR htmlContent) noexcept override;
    HRESULT STDMETHODCALLTYPE
    add_NavigationStarting(ICoreWebView2NavigationStartingEventHandler* handler,
                           EventRegistrationToken* token) noexcept override;
    HRESULT STDMETHODCALLTYPE
    remove_NavigationStarting(EventRegistrationToken token) noexcept override;
    HRESULT STDMETHODCALLTYPE add_ContentLoading(ICoreWebView2ContentLoadingEventHandler* handler,
                                                 EventRegistrationToken* token) noexcept override;
    HRESULT STDMETHODCALLTYPE remove_ContentLoading(EventRegistrationToken token) noexcept override;
    HRESULT STDMETHODCALLTYPE add_SourceChanged(ICoreWebView2SourceChangedEventHandler* handler,
                                                EventRegistrationToken* token) noexcept override;
    HRESULT STDMETHODCALLTYPE remove_SourceChanged(EventRegistrationToken token) noexcept override;
    HRESULT STDMETHODCALLTYPE add_HistoryChanged(ICoreWebView2HistoryChangedEventHandler* handler,
                                                 EventRegistrationToken* token) noexcept override;
    HRESULT STDMETHODCALLTYPE remove_HistoryChanged(EventRegistrationToken token) noexcept override;
    HRESULT STDMETHODCALLTYPE
    add_NavigationCompleted(ICoreWebView2NavigationCompletedEventHandler* handler,
                            EventRegistrationToken* token) noexcept override;
    HRESULT STDMETHODCALLTYPE
    remove_NavigationCompleted(EventRegistrationToken token) noexcept override;
    HRESULT STDMETHODCALLTYPE
    add_FrameNavigationStarting(ICoreWebView2NavigationStartingEventHandler* handler,
                                EventRegistrationToken* token) noexcept override;
    HRESULT STDMETHODCALLTYPE
    remove_FrameNavigationStarting(EventRegistrationToken token) noexcept override;
    HRESULT STDMETHODCALLTYPE
    add_FrameNavigationCompleted(ICoreWebView2NavigationCompletedEventHandler* handler,
                                 EventRegistrationToken* token) noexcept override;
    HRESULT STDMETHODCALLTYPE
    remove_FrameNavigationCompleted(EventRegistrationToken token) noexcept override;
    HRESULT STDMETHODCALLTYPE
    add_ScriptDialogOpening(ICoreWebView2ScriptDialogOpeningEventHandler* handler,
                            EventRegistrationToken* token) noexcept override;
    HRESULT STDMETHODCALLTYPE
    remove_ScriptDialogOpening(EventRegistrationToken token) noexcept override;
    HRESULT STDMETHODCALLTYPE
    add_PermissionRequested(ICoreWebView2PermissionRequestedEventHandler* handler,
                            EventRegistrationToken* token) noexcept override;
    HRESULT STDMETHODCALLTYPE
    remove_PermissionRequested(EventRegistrationToken token) noexcept override;
    HRESULT STDMETHODCALLTYPE add_ProcessFailed(ICoreWebView2ProcessFailedEventHandler* handler,
                                                EventRegistrationToken* token) noexcept override;
    HRESULT STDMETHODCALLTYPE remove_ProcessFailed(EventRegistrationToken token) noexcept override;
    HRESULT STDMETHODCALLTYPE AddScriptToExecuteOnDocumentCreated(
        LPCWSTR javaScript, ICoreWebView2AddScriptToExecuteOnDocumentCreatedCompletedHandler*
                                handler) noexcept override;
    HRESULT STDMETHODCALLTYPE RemoveScriptToExecuteOnDocumentCreated(LPCWSTR id) noexcept override;
    HRESULT STDMETHODCALLTYPE ExecuteScript(
        LPCWSTR javaScript, ICoreWebView2ExecuteScriptCompletedHandler* handler) noexcept override;
    HRESULT STDMETHODCALLTYPE
    CapturePreview(COREWEBVIEW2_CAPTURE_PREVIEW_IMAGE_FORMAT imageFormat, IStream* imageStream,
                   ICoreWebView2CapturePreviewCompletedHandler* handler) noexcept override;
    HRESULT STDMETHODCALLTYPE Reload() noexcept override;
    HRESULT STDMETHODCALLTYPE PostWebMessageAsJson(LPCWSTR webMessageAsJson) noexcept override;
    HRESULT STDMETHODCALLTYPE PostWebMessageAsString(LPCWSTR webMessageAsString) noexcept override;
    HRESULT STDMETHODCALLTYPE
    add_WebMessageReceived(ICoreWebView2WebMessageReceivedEventHandler* handler,
                           EventRegistrationToken* token) noexcept override;
    HRESULT STDMETHODCALLTYPE
    remove_WebMessageReceived(EventRegistrationToken token) noexcept override;
    HRESULT STDMETHODCALLTYPE CallDevToolsProtocolMethod(
        LPCWSTR methodName, LPCWSTR parametersAsJson,
        ICoreWebView2CallDevToolsProtocolMethodCompletedHandler* handler) noexcept override;
    HRESULT STDMETHODCALLTYPE get_BrowserProcessId(UINT32* value) noexcept override;
    HRESULT STDMETHODCALLTYPE get_CanGoBack(BOOL* canGoBack) noexcept override;
    HRESULT STDMETHODCALLTYPE get_CanGoForward(BOOL* canGoForward) noexcept override;
    HRESULT STDMETHODCALLTYPE GoBack() noexcept override;
    HRESULT STDMETHODCALLTYPE GoForward() noexcept override;
    HRESULT STDMETHODCALLTYPE GetDevToolsProtocolEventReceiver(
        LPCWSTR eventName, ICoreWebView2DevToolsProtocolEventReceiver** receiver) noexcept override;
    HRESULT STDMETHODCALLTYPE Stop() noexcept override;
    HRESULT STDMETHODCALLTYPE
    add_NewWindowRequested(ICoreWebView2NewWindowRequestedEventHandler* handler,
                           EventRegistrationToken* token) noexcept override;
    HRESULT STDMETHODCALLTYPE
    remove_NewWindowRequested(EventRegistrationToken token) noexcept override;
    HRESULT STDMETHODCALLTYPE
    add_DocumentTitleChanged(ICoreWebView2DocumentTitleChangedEventHandler* handler,
                             EventRegistrationToken* token) noexcept override;
    HRESULT STDMETHODCALLTYPE
    remove_DocumentTitleChanged(EventRegistrationToken token) noexcept override;
    HRESULT STDMETHODCALLTYPE get_DocumentTitle(LPWSTR* title) noexcept override;
    HRESULT STDMETHODCALLTYPE AddHostObjectToScript(LPCWSTR name,
                                                    VARIANT* object) noexcept override;
    HRESULT STDMETHODCALLTYPE RemoveHostObjectFromScript(LPCWSTR name) noexcept override;
    HRESULT STDMETHODCALLTYPE OpenDevToolsWindow() noexcept override;
    HRESULT STDMETHODCALLTYPE add_ContainsFullScreenElementChanged(
        ICoreWebView2ContainsFullScreenElementChangedEventHandler* handler,
        EventRegistrationToken* token) noexcept override;
    HRESULT STDMETHODCALLTYPE
    remove_ContainsFullScreenElementChanged(EventRegistrationToken token) noexcept override;
    HRESULT STDMETHODCALLTYPE
    get_ContainsFullScreenElement(BOOL* containsFullScreenElement) noexcept override;
    HRESULT STDMETHODCALLTYPE
    add_WebResourceRequested(ICoreWebView2WebResourceRequestedEventHandler* handler,
                             EventRegistrationToken* token) noexcept override;
    HRESULT STDMETHODCALLTYPE
    remove_WebResourceRequested(EventRegistrationToken token) noexcept override;
    HRESULT STDMETHODCALLTYPE AddWebResourceRequestedFilter(
        const LPCWSTR uri,
        const COREWEBVIEW2_WEB_RESOURCE_CONTEXT resourceContext) noexcept override;
    HRESULT STDMETHODCALLTYPE RemoveWebResourceRequestedFilter(
        const LPCWSTR uri,
        const COREWEBVIEW2_WEB_RESOURCE_CONTEXT resourceContext) noexcept override;
    HRESULT STDMETHODCALLTYPE
    add_WindowCloseRequested(ICoreWebView2WindowCloseRequestedEventHandler* handler,
                             EventRegistrationToken* token) noexcept override;
    HRESULT STDMETHODCALLTYPE
    remove_WindowCloseRequested(EventRegistrationToken token) noexcept override;

    // ICoreWebView2_2
    HRESULT STDMETHODCALLTYPE
    add_WebResourceResponseReceived(ICoreWebView2WebResourceResponseReceivedEventHandler* handler,
                                    EventRegistrationToken* token) noexcept override;
    HRESULT STDMETHODCALLTYPE
    remove_WebResourceResponseReceived(EventRegistrationToken token) noexcept override;
    HRESULT STDMETHODCALLTYPE
    NavigateWithWebResourceRequest(ICoreWebView2WebResourceRequest* request) noexcept override;
    HRESULT STDMETHODCALLTYPE
    add_DOMContentLoaded(ICoreWebView2DOMContentLoadedEventHandler* handler,
                         EventRegistrationToken* token) noexcept override;
    HRESULT STDMETHODCALLTYPE
    remove_DOMContentLoaded(EventRegistrationToken token) noexcept override;
    HRESULT STDMETHODCALLTYPE
    get_CookieManager(ICoreWebView2CookieManager** cookieManager) noexcept override;
    HRESULT STDMETHODCALLTYPE
    get_Environment(ICoreWebView2Environment** environment) noexcept override;

  protected:
    bool alsoAnswers(REFIID riid) const override;

  private:
    struct Filter {
        std::wstring pattern;
        int context;
    };

    bool filtered(const std::wstring& uri, int context) const;
    void navigate(const std::wstring& uri, bool userInitiated, bool parses,
                  std::function<void()> done);
    void raiseDomContentLoaded();
    void raiseWithoutArgs(const wchar_t* event);
    void runSteps(size_t next);
    void runStep(const Step& step, std::function<void()> done);
    void postMessage(const Step& step);
    void raiseProcessFailed(const Step& step);
    // A reference to this view for a task that outlives the current call.
    Held<WebView> self();

    std::shared_ptr<Dispatcher> dispatcher_;
    Scenario scenario_;
    ComRef<ICoreWebView2Environment> environment_;
    ComRef<Settings> settings_;
    EventHandlers handlers_;
    std::vector<Filter> filters_;
    std::wstring source_ = L"about:blank";
    std::wstring title_;
    bool fullscreen_ = false;
    UINT64 navigationId_ = 0;
    bool stepsStarted_ = false;
    bool browserExited_ = false;
    unsigned scriptsAdded_ = 0;
    HWND hostWindow_ = nullptr;
};

}  // namespace quorvane::standin
