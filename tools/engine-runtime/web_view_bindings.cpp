// What the page script reports through the engine's binding (page messages, titles, fullscreen
// changes, window.close() and permission requests), and the host's messages to the page.
#include "tools/engine-runtime/web_view.h"

#include "platform/utf8.h"
#include "tools/engine-runtime/com_util.h"
#include "tools/engine-runtime/engine_log.h"

namespace quorvane::engine {

namespace {

// "https://host:port" of a URL.
std::string originOf(const std::string& url) {
    size_t scheme = url.find("://");
    if (scheme == std::string::npos)
        return url;
    size_t path = url.find('/', scheme + 3);
    return url.substr(0, path);
}

// What the log shows of a page message: a request of the page API ({"type": T, "id": I, ...}) by
// its type and id only, since its other members may be a player's whole save; anything else as
// it came.
std::string messageForLog(const std::string& json, bool isString, const std::string& data) {
    const Json parsed = Json::parse(isString ? data : json, nullptr, false);
    if (parsed.is_object() && parsed.contains("id") && parsed.contains("type") &&
        parsed["type"].is_string()) {
        return std::string("page request ") + parsed["type"].get<std::string>() + " id=" +
               parsed["id"].dump(-1, ' ', false, Json::error_handler_t::replace);
    }
    return std::string("message ") + (isString ? "string " : "json ") + json;
}

// The same for the host's messages to the page: an answer by its id and outcome.
std::string postedForLog(const nlohmann::ordered_json& message) {
    using Json = nlohmann::ordered_json;
    if (message.is_object() && message.value("type", Json()) == "reply" &&
        message.contains("id")) {
        const Json& error = message.value("error", Json::object());
        const std::string outcome =
            message.value("ok", Json()) == true
                ? "ok"
                : "error " + (error.is_object() ? error.value("code", Json("?")).dump() : "?");
        return "page reply id=" + message["id"].dump(-1, ' ', false, Json::error_handler_t::replace) +
               " " + outcome;
    }
    return "posted " + message.dump(-1, ' ', false, Json::error_handler_t::replace);
}

}  // namespace

std::wstring WebView::title() {
    std::lock_guard<std::mutex> guard(titleLock_);
    return title_;
}

bool WebView::isMainFrameContext(int context) const {
    auto found = contextFrames_.find(context);
    return found != contextFrames_.end() && found->second == mainFrame_;
}

void WebView::onBinding(const std::string& payload, int context) {
    if (payload.empty())
        return;
    const char kind = payload[0];
    const std::string data = payload.substr(1);
    auto frame = contextFrames_.find(context);
    std::wstring frameUrl;
    if (frame != contextFrames_.end()) {
        auto url = frameUrls_.find(frame->second);
        if (url != frameUrls_.end())
            frameUrl = url->second;
    }
    const bool mainFrame = isMainFrameContext(context);
    if (kind == 's' || kind == 'j') {
        if (!settings_->webMessageEnabled)
            return;
        const bool isString = kind == 's';
        const std::string json =
            isString ? Json(data).dump(-1, ' ', false, Json::error_handler_t::replace) : data;
        logLine(messageForLog(json, isString, data));
        ComRef<WebMessageReceivedArgs> args(new WebMessageReceivedArgs(
            frameUrl, utf8ToWide(json), isString, isString ? utf8ToWide(data) : L""));
        for (auto* handler : webMessageReceived_.snapshot())
            handler->Invoke(this, args.get());
    } else if (kind == 't' && mainFrame) {
        {
            std::lock_guard<std::mutex> guard(titleLock_);
            if (seenTitle_ && title_ == utf8ToWide(data))
                return;
            title_ = utf8ToWide(data);
            seenTitle_ = true;
        }
        logLine("title " + Json(data).dump());
        for (auto* handler : documentTitleChanged_.snapshot())
            handler->Invoke(this, nullptr);
    } else if (kind == 'f' && mainFrame) {
        const bool now = data == "1";
        if (now == fullscreen_)
            return;
        fullscreen_ = now;
        logLine(std::string("fullscreen ") + (now ? "1" : "0"));
        for (auto* handler : fullscreenChanged_.snapshot())
            handler->Invoke(this, nullptr);
    } else if (kind == 'c' && mainFrame) {
        logLine("window close requested");
        for (auto* handler : windowCloseRequested_.snapshot())
            handler->Invoke(this, nullptr);
    } else if (kind == 'p') {
        onPermission(data, frameUrl, context);
    }
}

void WebView::onPermission(const std::string& request, const std::wstring& frameUrl, int context) {
    // "kind:id:gesture"
    const size_t first = request.find(':');
    const size_t second = request.find(':', first + 1);
    if (first == std::string::npos || second == std::string::npos)
        return;
    const std::string kindName = request.substr(0, first);
    const std::string id = request.substr(first + 1, second - first - 1);
    if (id.find_first_not_of("0123456789") != std::string::npos)
        return;
    const bool gesture = request.substr(second + 1) == "1";
    COREWEBVIEW2_PERMISSION_KIND kind = COREWEBVIEW2_PERMISSION_KIND_UNKNOWN_PERMISSION;
    std::string protocolName;
    if (kindName == "notifications") {
        kind = COREWEBVIEW2_PERMISSION_KIND_NOTIFICATIONS;
        protocolName = "notifications";
    } else if (kindName == "clipboard-read") {
        kind = COREWEBVIEW2_PERMISSION_KIND_CLIPBOARD_READ;
        protocolName = "clipboard-read";
    } else {
        return;
    }
    ComRef<PermissionRequestedArgs> args(new PermissionRequestedArgs(frameUrl, kind, gesture));
    for (auto* handler : permissionRequested_.snapshot())
        handler->Invoke(this, args.get());
    const COREWEBVIEW2_PERMISSION_STATE state = args->state();
    logLine("permission " + kindName + " " + wideToUtf8(frameUrl) + " -> " +
            (state == COREWEBVIEW2_PERMISSION_STATE_ALLOW  ? "allow"
             : state == COREWEBVIEW2_PERMISSION_STATE_DENY ? "deny"
                                                           : "default"));
    DevTools& devtools = browser_->devtools;
    const std::string origin = originOf(wideToUtf8(frameUrl));
    if (state != COREWEBVIEW2_PERMISSION_STATE_DEFAULT) {
        devtools.call(
            "Browser.setPermission",
            {{"permission", {{"name", protocolName}}},
             {"setting", state == COREWEBVIEW2_PERMISSION_STATE_ALLOW ? "granted" : "denied"},
             {"origin", origin}});
    }
    devtools.call("Runtime.evaluate",
                  {{"expression", "globalThis[\"" + browser_->replies + "\"](" + id + ")"},
                   {"contextId", context}},
                  session_);
}

HRESULT WebView::PostWebMessageAsJson(LPCWSTR webMessageAsJson) noexcept {
    // Members keep their order, as the page receives them from the runtime.
    const nlohmann::ordered_json parsed =
        nlohmann::ordered_json::parse(wideToUtf8(textOf(webMessageAsJson)), nullptr, false);
    if (parsed.is_discarded())
        return E_INVALIDARG;
    logLine(postedForLog(parsed));
    browser_->devtools.call("Runtime.evaluate",
                            {{"expression", "globalThis[\"" + browser_->replies + "\"](0, \"m\", " +
                                                parsed.dump() + ")"}},
                            session_);
    return S_OK;
}
HRESULT WebView::AddScriptToExecuteOnDocumentCreated(
    LPCWSTR javaScript,
    ICoreWebView2AddScriptToExecuteOnDocumentCreatedCompletedHandler* handler) noexcept {
    if (javaScript == nullptr)
        return E_INVALIDARG;
    try {
        // Scripts added to a session run in the order they were added, after the engine's own
        // (chrome.webview), before the page's; commands on one session are handled in order, so
        // a navigation asked for next already gets it.
        auto completed = std::make_shared<
            ComRef<ICoreWebView2AddScriptToExecuteOnDocumentCreatedCompletedHandler>>(
            ComRef<ICoreWebView2AddScriptToExecuteOnDocumentCreatedCompletedHandler>::copyOf(
                handler));
        logLine("script added length=" + std::to_string(wcslen(javaScript)));
        browser_->devtools.call(
            "Page.addScriptToEvaluateOnNewDocument", {{"source", wideToUtf8(javaScript)}},
            session_, [completed](const Json& result, const std::string& error) {
                if (!*completed)
                    return;
                const std::wstring id =
                    utf8ToWide(result.is_object() ? result.value("identifier", "") : "");
                (*completed)->Invoke(error.empty() ? S_OK : E_FAIL, id.c_str());
            });
        return S_OK;
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

HRESULT WebView::PostWebMessageAsString(LPCWSTR webMessageAsString) noexcept {
    return PostWebMessageAsJson(
        utf8ToWide(Json(wideToUtf8(textOf(webMessageAsString))).dump()).c_str());
}
HRESULT WebView::get_DocumentTitle(LPWSTR* title) noexcept {
    return copyOut(this->title(), title);
}
HRESULT WebView::get_ContainsFullScreenElement(BOOL* containsFullScreenElement) noexcept {
    if (containsFullScreenElement == nullptr)
        return E_POINTER;
    *containsFullScreenElement = fullscreen_;
    return S_OK;
}

}  // namespace quorvane::engine
