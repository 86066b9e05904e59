// Navigation: the host's own (Navigate, Reload), main-frame documents offered to the host before
// they are fetched, the frames' addresses, and new windows, which never load.
#include "tools/engine-runtime/web_view.h"

#include <thread>

#include "platform/utf8.h"
#include "tools/engine-runtime/com_util.h"
#include "tools/engine-runtime/engine_log.h"

namespace quorvane::engine {

bool WebView::offerNavigation(const std::string& requestId, const Json& params,
                              ComRef<RequestHeaders> headers) {
    const Json& request = params["request"];
    const std::string url = request.value("url", "");
    const std::wstring uri = utf8ToWide(url);
    const bool fromHost = !pendingHostNavigation_.empty() && uri == pendingHostNavigation_;
    pendingHostNavigation_.clear();
    ComRef<NavigationStartingArgs> args(
        new NavigationStartingArgs(uri, !fromHost, params.contains("redirectedRequestId"),
                                   std::move(headers), ++navigationId_));
    for (auto* handler : navigationStarting_.snapshot())
        handler->Invoke(this, args.get());
    if (args->cancelled()) {
        // "Aborted" leaves the page as it was; other reasons commit an error page.
        logLine("navigation cancelled " + request.value("method", "GET") + " " + url);
        browser_->devtools.call("Fetch.failRequest",
                                {{"requestId", requestId}, {"errorReason", "Aborted"}}, session_);
        return true;
    }
    logLine("navigation starting " + url);
    return false;
}

void WebView::onFrameNavigated(const Json& frame) {
    const std::string url = frame.value("url", "") + frame.value("urlFragment", "");
    frameUrls_[frame.value("id", "")] = utf8ToWide(url);
    if (frame.value("id", "") == mainFrame_) {
        source_ = utf8ToWide(url);
        logLine("navigated " + url);
    }
}

void WebView::onAttached(const Json& params) {
    if (!params.value("waitingForDebugger", false))
        return;
    const std::string session = params.value("sessionId", "");
    const Json info = params.value("targetInfo", Json::object());
    DevTools& devtools = browser_->devtools;
    if (info.value("type", "") != "page" || info.value("targetId", "") == targetId_) {
        devtools.call("Runtime.runIfWaitingForDebugger", Json::object(), session);
        return;
    }
    // A new window of the page. Whatever the host decided, nothing loads in it: its requests are
    // failed as they start and it is closed. It must be resumed before it is closed (closing a
    // waiting one freezes the opener).
    const std::string target = info.value("targetId", "");
    popups_[session] = target;
    std::shared_ptr<Browser> browser = browser_;
    devtools.call(
        "Fetch.enable", {{"patterns", Json::array({{{"urlPattern", "*"}}})}}, session,
        [browser, session, target](const Json&, const std::string&) {
            browser->devtools.call(
                "Runtime.runIfWaitingForDebugger", Json::object(), session,
                [browser, target](const Json&, const std::string&) {
                    // A window with nothing to load sends no request to fail.
                    std::thread([browser, target] {
                        Sleep(500);
                        if (!browser->closed)
                            browser->devtools.call("Target.closeTarget", {{"targetId", target}});
                    }).detach();
                });
        });
}

void WebView::onPopupRequest(const Json& params, const std::string& session) {
    const std::string url = params["request"].value("url", "");
    logLine("new window blocked " + url);
    browser_->devtools.call(
        "Fetch.failRequest",
        {{"requestId", params.value("requestId", "")}, {"errorReason", "Aborted"}}, session);
    browser_->devtools.call("Target.closeTarget", {{"targetId", popups_[session]}});
}

HRESULT WebView::get_Source(LPWSTR* uri) noexcept {
    return copyOut(source_, uri);
}
HRESULT WebView::Navigate(LPCWSTR uri) noexcept {
    if (uri == nullptr)
        return E_INVALIDARG;
    if (browser_->closed)
        return HRESULT_FROM_WIN32(ERROR_INVALID_STATE);
    pendingHostNavigation_ = uri;
    logLine("navigate " + wideToUtf8(uri));
    if (!settings_->scriptEnabled)
        browser_->devtools.call("Emulation.setScriptExecutionDisabled", {{"value", true}},
                                session_);
    browser_->devtools.call("Page.navigate", {{"url", wideToUtf8(uri)}}, session_);
    return S_OK;
}
HRESULT WebView::Reload() noexcept {
    if (browser_->closed)
        return HRESULT_FROM_WIN32(ERROR_INVALID_STATE);
    logLine("reload");
    // A crashed page's renderer is started again by the reload.
    rendererCrashed_ = false;
    browser_->devtools.call("Page.reload", Json::object(), session_);
    return S_OK;
}

}  // namespace quorvane::engine
