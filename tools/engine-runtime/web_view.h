#pragma once

#include <windows.h>

#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/com_object.h"
#include "platform/com_ref.h"
#include "webview2/webview2_api.h"
#include "tools/engine-runtime/browser.h"
#include "tools/engine-runtime/devtools.h"
#include "tools/engine-runtime/event_args.h"
#include "tools/engine-runtime/settings.h"

namespace quorvane::engine {

// One page target of the browser, raising the runtime's events from the protocol's.
class WebView final : public ComObject<WebView, ICoreWebView2_2> {
  public:
    WebView(std::shared_ptr<Browser> browser, ComRef<ICoreWebView2Environment> environment);

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) noexcept override;
    HRESULT STDMETHODCALLTYPE get_Settings(ICoreWebView2Settings** settings) noexcept override;
    HRESULT STDMETHODCALLTYPE get_Source(LPWSTR* uri) noexcept override;
    HRESULT STDMETHODCALLTYPE Navigate(LPCWSTR uri) noexcept override;
    HRESULT STDMETHODCALLTYPE NavigateToString(LPCWSTR) noexcept override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE
    add_NavigationStarting(ICoreWebView2NavigationStartingEventHandler* eventHandler,
                           EventRegistrationToken* token) noexcept override;
    HRESULT STDMETHODCALLTYPE
    remove_NavigationStarting(EventRegistrationToken token) noexcept override;
    HRESULT STDMETHODCALLTYPE add_ContentLoading(ICoreWebView2ContentLoadingEventHandler*,
                                                 EventRegistrationToken*) noexcept override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE remove_ContentLoading(EventRegistrationToken) noexcept override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE add_SourceChanged(ICoreWebView2SourceChangedEventHandler*,
                                                EventRegistrationToken*) noexcept override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE remove_SourceChanged(EventRegistrationToken) noexcept override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE add_HistoryChanged(ICoreWebView2HistoryChangedEventHandler*,
                                                 EventRegistrationToken*) noexcept override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE remove_HistoryChanged(EventRegistrationToken) noexcept override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE add_NavigationCompleted(ICoreWebView2NavigationCompletedEventHandler*,
                                                      EventRegistrationToken*) noexcept override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE remove_NavigationCompleted(EventRegistrationToken) noexcept override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE add_FrameNavigationStarting(
        ICoreWebView2NavigationStartingEventHandler*, EventRegistrationToken*) noexcept override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE
    remove_FrameNavigationStarting(EventRegistrationToken) noexcept override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE add_FrameNavigationCompleted(
        ICoreWebView2NavigationCompletedEventHandler*, EventRegistrationToken*) noexcept override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE
    remove_FrameNavigationCompleted(EventRegistrationToken) noexcept override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE add_ScriptDialogOpening(ICoreWebView2ScriptDialogOpeningEventHandler*,
                                                      EventRegistrationToken*) noexcept override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE remove_ScriptDialogOpening(EventRegistrationToken) noexcept override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE
    add_PermissionRequested(ICoreWebView2PermissionRequestedEventHandler* eventHandler,
                            EventRegistrationToken* token) noexcept override;
    HRESULT STDMETHODCALLTYPE
    remove_PermissionRequested(EventRegistrationToken token) noexcept override;
    HRESULT STDMETHODCALLTYPE
    add_ProcessFailed(ICoreWebView2ProcessFailedEventHandler* eventHandler,
                      EventRegistrationToken* token) noexcept override;
    HRESULT STDMETHODCALLTYPE remove_ProcessFailed(EventRegistrationToken token) noexcept override;
    HRESULT STDMETHODCALLTYPE AddScriptToExecuteOnDocumentCreated(
        LPCWSTR javaScript,
        ICoreWebView2AddScriptToExecuteOnDocumentCreatedCompletedHandler* handler) noexcept
        override;
    HRESULT STDMETHODCALLTYPE RemoveScriptToExecuteOnDocumentCreated(LPCWSTR) noexcept override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE
    ExecuteScript(LPCWSTR, ICoreWebView2ExecuteScriptCompletedHandler*) noexcept override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE
    CapturePreview(COREWEBVIEW2_CAPTURE_PREVIEW_IMAGE_FORMAT, IStream*,
                   ICoreWebView2CapturePreviewCompletedHandler*) noexcept override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Reload() noexcept override;
    HRESULT STDMETHODCALLTYPE PostWebMessageAsJson(LPCWSTR webMessageAsJson) noexcept override;
    HRESULT STDMETHODCALLTYPE PostWebMessageAsString(LPCWSTR webMessageAsString) noexcept override;
    HRESULT STDMETHODCALLTYPE
    add_WebMessageReceived(ICoreWebView2WebMessageReceivedEventHandler* handler,
                           EventRegistrationToken* token) noexcept override;
    HRESULT STDMETHODCALLTYPE
    remove_WebMessageReceived(EventRegistrationToken token) noexcept override;
    HRESULT STDMETHODCALLTYPE CallDevToolsProtocolMethod(
        LPCWSTR, LPCWSTR,
        ICoreWebView2CallDevToolsProtocolMethodCompletedHandler*) noexcept override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE get_BrowserProcessId(UINT32* value) noexcept override;
    HRESULT STDMETHODCALLTYPE get_CanGoBack(BOOL*) noexcept override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_CanGoForward(BOOL*) noexcept override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GoBack() noexcept override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GoForward() noexcept override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetDevToolsProtocolEventReceiver(
        LPCWSTR, ICoreWebView2DevToolsProtocolEventReceiver**) noexcept override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Stop() noexcept override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE
    add_NewWindowRequested(ICoreWebView2NewWindowRequestedEventHandler* eventHandler,
                           EventRegistrationToken* token) noexcept override;
    HRESULT STDMETHODCALLTYPE
    remove_NewWindowRequested(EventRegistrationToken token) noexcept override;
    HRESULT STDMETHODCALLTYPE
    add_DocumentTitleChanged(ICoreWebView2DocumentTitleChangedEventHandler* eventHandler,
                             EventRegistrationToken* token) noexcept override;
    HRESULT STDMETHODCALLTYPE
    remove_DocumentTitleChanged(EventRegistrationToken token) noexcept override;
    HRESULT STDMETHODCALLTYPE get_DocumentTitle(LPWSTR* title) noexcept override;
    HRESULT STDMETHODCALLTYPE AddHostObjectToScript(LPCWSTR, VARIANT*) noexcept override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE RemoveHostObjectFromScript(LPCWSTR) noexcept override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE OpenDevToolsWindow() noexcept override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE add_ContainsFullScreenElementChanged(
        ICoreWebView2ContainsFullScreenElementChangedEventHandler* eventHandler,
        EventRegistrationToken* token) noexcept override;
    HRESULT STDMETHODCALLTYPE
    remove_ContainsFullScreenElementChanged(EventRegistrationToken token) noexcept override;
    HRESULT STDMETHODCALLTYPE
    get_ContainsFullScreenElement(BOOL* containsFullScreenElement) noexcept override;
    HRESULT STDMETHODCALLTYPE
    add_WebResourceRequested(ICoreWebView2WebResourceRequestedEventHandler* eventHandler,
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
    add_WindowCloseRequested(ICoreWebView2WindowCloseRequestedEventHandler* eventHandler,
                             EventRegistrationToken* token) noexcept override;
    HRESULT STDMETHODCALLTYPE
    remove_WindowCloseRequested(EventRegistrationToken token) noexcept override;
    HRESULT STDMETHODCALLTYPE
    add_WebResourceResponseReceived(ICoreWebView2WebResourceResponseReceivedEventHandler*,
                                    EventRegistrationToken*) noexcept override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE
    remove_WebResourceResponseReceived(EventRegistrationToken) noexcept override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE
    NavigateWithWebResourceRequest(ICoreWebView2WebResourceRequest*) noexcept override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE
    add_DOMContentLoaded(ICoreWebView2DOMContentLoadedEventHandler* eventHandler,
                         EventRegistrationToken* token) noexcept override;
    HRESULT STDMETHODCALLTYPE
    remove_DOMContentLoaded(EventRegistrationToken token) noexcept override;
    HRESULT STDMETHODCALLTYPE get_CookieManager(ICoreWebView2CookieManager**) noexcept override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE
    get_Environment(ICoreWebView2Environment** environment) noexcept override;

    // Sets the page target up (from a worker thread); false when the browser refused.
    bool attach(const RECT& bounds);
    // Applies the view's size to the page.
    void resize(const RECT& bounds);
    // A protocol event, on the UI thread.
    void onEvent(const std::string& method, const Json& params, const std::string& session);
    const std::string& session() const { return session_; }
    // The page's title as last reported (any thread).
    std::wstring title();
    // The browser's process ended without being asked to (|status| as ChromiumProcess::ended
    // gives it): raises ProcessFailed for the browser process.
    void onBrowserExited(int status);
    void detach();

  private:
    friend class ComObject<WebView, ICoreWebView2_2>;
    ~WebView();

    template <typename Handler>
    struct Handlers {
        std::map<INT64, ComRef<Handler>> list;
        HRESULT add(Handler* handler, EventRegistrationToken* token, INT64& next) {
            if (handler == nullptr)
                return E_POINTER;
            const INT64 id = next++;
            list[id] = ComRef<Handler>::copyOf(handler);
            if (token != nullptr)
                token->value = id;
            return S_OK;
        }
        HRESULT remove(EventRegistrationToken token) {
            list.erase(token.value);
            return S_OK;
        }
        // A copy, so a handler may (un)register while the event is raised.
        std::vector<Handler*> snapshot() const {
            std::vector<Handler*> handlers;
            for (const auto& [id, handler] : list)
                handlers.push_back(handler.get());
            return handlers;
        }
    };
    struct Filter {
        std::wstring uri;
        COREWEBVIEW2_WEB_RESOURCE_CONTEXT context;
    };
    // A response whose body waits for the body reader.
    struct Job {
        std::string requestId;
        ComRef<WebResourceResponse> response;
        std::string summary;
        ULONGLONG startedUs;
        ULONGLONG handlerUs;
    };

    // Navigation (web_view_navigation.cpp).
    // Offers a main-frame document request as a navigation; true when the host cancelled it (the
    // request is then failed).
    bool offerNavigation(const std::string& requestId, const Json& params,
                         ComRef<RequestHeaders> headers);
    void onFrameNavigated(const Json& frame);
    // The page's renderer died (|status| and |errorCode| as the protocol reports them).
    void onRendererCrashed(const std::string& status, int errorCode);
    void raiseProcessFailed(COREWEBVIEW2_PROCESS_FAILED_KIND kind,
                            COREWEBVIEW2_PROCESS_FAILED_REASON reason, int exitCode,
                            const std::wstring& description);
    void onAttached(const Json& params);
    void onPopupRequest(const Json& params, const std::string& session);

    // Requests and their bodies (web_view_requests.cpp).
    void onRequestPaused(const Json& params);
    void enableInterception();
    bool filtered(const std::wstring& uri, COREWEBVIEW2_WEB_RESOURCE_CONTEXT context) const;
    void answerLater(const std::string& requestId, ComRef<WebResourceResponse> response,
                     std::string summary, ULONGLONG startedUs, ULONGLONG handlerUs);
    void bodyLoop();

    // What the page script reports through the binding (web_view_bindings.cpp).
    void onBinding(const std::string& payload, int context);
    void onPermission(const std::string& request, const std::wstring& frameUrl, int context);
    bool isMainFrameContext(int context) const;

    std::shared_ptr<Browser> browser_;
    ComRef<ICoreWebView2Environment> environment_;
    ComRef<Settings> settings_;
    std::string session_;
    std::string targetId_;
    std::string mainFrame_;
    std::wstring source_;
    std::wstring pendingHostNavigation_;
    UINT64 navigationId_ = 0;
    bool fullscreen_ = false;
    bool rendererCrashed_ = false;  // until the page is loaded again
    bool seenTitle_ = false;
    std::mutex titleLock_;
    std::wstring title_;
    std::map<std::string, std::wstring> frameUrls_;
    std::map<int, std::string> contextFrames_;
    std::map<std::string, std::string> popups_;  // session -> target
    std::vector<Filter> filters_;
    INT64 nextToken_ = 1;
    Handlers<ICoreWebView2NavigationStartingEventHandler> navigationStarting_;
    Handlers<ICoreWebView2PermissionRequestedEventHandler> permissionRequested_;
    Handlers<ICoreWebView2WebMessageReceivedEventHandler> webMessageReceived_;
    Handlers<ICoreWebView2NewWindowRequestedEventHandler> newWindowRequested_;
    Handlers<ICoreWebView2DocumentTitleChangedEventHandler> documentTitleChanged_;
    Handlers<ICoreWebView2ContainsFullScreenElementChangedEventHandler> fullscreenChanged_;
    Handlers<ICoreWebView2WebResourceRequestedEventHandler> webResourceRequested_;
    Handlers<ICoreWebView2WindowCloseRequestedEventHandler> windowCloseRequested_;
    Handlers<ICoreWebView2DOMContentLoadedEventHandler> domContentLoaded_;
    Handlers<ICoreWebView2ProcessFailedEventHandler> processFailed_;

    // Response bodies are read on one worker thread, as the runtime reads them.
    std::mutex jobsLock_;
    std::condition_variable jobsReady_;
    std::deque<std::unique_ptr<Job>> jobs_;
    bool stopping_ = false;
    std::thread bodyReader_;
};

}  // namespace quorvane::engine
