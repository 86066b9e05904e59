// The view's events: protocol events turned into the runtime's, and the handlers registered for
// them.
#include "tools/engine-runtime/web_view.h"

#include "platform/utf8.h"
#include "tools/engine-runtime/engine_log.h"
#include "tools/engine-runtime/page_exception.h"
#include "tools/engine-runtime/steps.h"

namespace quorvane::engine {

namespace {

std::string describe(const Json& value) {
    if (value.contains("value")) {
        const Json& v = value["value"];
        return v.is_string() ? v.get<std::string>() : v.dump();
    }
    return value.value("description", value.value("type", std::string()));
}

}  // namespace

void WebView::raiseProcessFailed(COREWEBVIEW2_PROCESS_FAILED_KIND kind,
                                 COREWEBVIEW2_PROCESS_FAILED_REASON reason, int exitCode,
                                 const std::wstring& description) {
    // A handler may release the last reference the host holds (it replaces a dead browser).
    ComRef<WebView> self = ComRef<WebView>::copyOf(this);
    ComRef<ProcessFailedArgs> args(new ProcessFailedArgs(kind, reason, exitCode, description));
    for (auto* handler : processFailed_.snapshot())
        handler->Invoke(this, args.get());
}

// The protocol's termination statuses (Chromium's own names) against the runtime's reasons.
void WebView::onRendererCrashed(const std::string& status, int errorCode) {
    // Once per crash, until the page is loaded again.
    if (rendererCrashed_)
        return;
    rendererCrashed_ = true;
    static const std::pair<const char*, COREWEBVIEW2_PROCESS_FAILED_REASON> kReasons[] = {
        {"crashed", COREWEBVIEW2_PROCESS_FAILED_REASON_CRASHED},
        {"killed", COREWEBVIEW2_PROCESS_FAILED_REASON_TERMINATED},
        {"oom", COREWEBVIEW2_PROCESS_FAILED_REASON_OUT_OF_MEMORY},
        {"launch failed", COREWEBVIEW2_PROCESS_FAILED_REASON_LAUNCH_FAILED},
        {"integrity failure", COREWEBVIEW2_PROCESS_FAILED_REASON_INTEGRITY_FAILURE},
        {"abnormal", COREWEBVIEW2_PROCESS_FAILED_REASON_ABNORMAL_EXIT},
        {"normal", COREWEBVIEW2_PROCESS_FAILED_REASON_NORMAL_EXIT},
    };
    COREWEBVIEW2_PROCESS_FAILED_REASON reason = COREWEBVIEW2_PROCESS_FAILED_REASON_UNEXPECTED;
    for (const auto& [name, value] : kReasons) {
        if (status == name)
            reason = value;
    }
    logLine("render process exited " + status + " " + std::to_string(errorCode));
    raiseProcessFailed(COREWEBVIEW2_PROCESS_FAILED_KIND_RENDER_PROCESS_EXITED, reason, errorCode,
                       L"");
}

void WebView::onBrowserExited(int status) {
    // A signal's number is 128 below the status: KILL and TERM end a process from outside.
    COREWEBVIEW2_PROCESS_FAILED_REASON reason = COREWEBVIEW2_PROCESS_FAILED_REASON_UNEXPECTED;
    if (status == 128 + 9 || status == 128 + 15)
        reason = COREWEBVIEW2_PROCESS_FAILED_REASON_TERMINATED;
    else if (status > 128)
        reason = COREWEBVIEW2_PROCESS_FAILED_REASON_CRASHED;
    raiseProcessFailed(COREWEBVIEW2_PROCESS_FAILED_KIND_BROWSER_PROCESS_EXITED, reason, status,
                       L"");
}

void WebView::onEvent(const std::string& method, const Json& params, const std::string& session) {
    static const bool trace = !environmentVariable(L"QV_ENGINE_TRACE").empty();
    if (trace)
        logLine("protocol " + method + (session == session_ ? "" : " (other session)"));
    if (session.empty()) {
        if (method == "Target.attachedToTarget")
            onAttached(params);
        else if (method == "Target.targetCrashed" && params.value("targetId", "") == targetId_)
            onRendererCrashed(params.value("status", ""), params.value("errorCode", 0));
        return;
    }
    if (session != session_) {
        if (method == "Fetch.requestPaused" && popups_.count(session) != 0)
            onPopupRequest(params, session);
        return;
    }
    if (method == "Fetch.requestPaused") {
        onRequestPaused(params);
    } else if (method == "Runtime.bindingCalled") {
        if (params.value("name", "") == browser_->binding)
            onBinding(params.value("payload", ""), params.value("executionContextId", 0));
    } else if (method == "Runtime.executionContextCreated") {
        const Json& context = params["context"];
        const Json auxData = context.value("auxData", Json::object());
        if (auxData.value("isDefault", false))
            contextFrames_[context.value("id", 0)] = auxData.value("frameId", "");
    } else if (method == "Page.frameNavigated") {
        onFrameNavigated(params["frame"]);
    } else if (method == "Page.domContentEventFired") {
        logLine("dom content loaded");
        ComRef<DOMContentLoadedArgs> args(new DOMContentLoadedArgs(navigationId_));
        for (auto* handler : domContentLoaded_.snapshot())
            handler->Invoke(this, args.get());
        startSteps(browser_, this);
    } else if (method == "Page.loadEventFired") {
        browser_->devtools.call(
            "Runtime.evaluate",
            {{"expression",
              "(() => { const n = performance.getEntriesByType('navigation')[0]; "
              "return n ? n.loadEventStart : -1; })()"},
             {"returnByValue", true}},
            session_, [](const Json& result, const std::string&) {
                if (result.is_object() && result.contains("result"))
                    logLine("load event " + result["result"].value("value", Json(-1)).dump() +
                            " ms");
            });
    } else if (method == "Page.windowOpen") {
        const std::string url = params.value("url", "");
        ComRef<NewWindowRequestedArgs> args(
            new NewWindowRequestedArgs(utf8ToWide(url), params.value("userGesture", false)));
        for (auto* handler : newWindowRequested_.snapshot())
            handler->Invoke(this, args.get());
        logLine("new window " + url + " handled=" + (args->handled() ? "1" : "0") +
                " userGesture=" + (params.value("userGesture", false) ? "1" : "0"));
    } else if (method == "Page.javascriptDialogOpening") {
        // Headless has no dialog to show; an open dialog would stop the page's scripts.
        logLine("dialog " + params.value("type", "") + ": " + params.value("message", ""));
        browser_->devtools.call("Page.handleJavaScriptDialog",
                                {{"accept", params.value("type", "") != "beforeunload"}}, session_);
    } else if (method == "Runtime.consoleAPICalled") {
        const std::string type = params.value("type", "");
        if (type == "error" || type == "assert") {
            std::string text;
            for (const Json& argument : params.value("args", Json::array()))
                text += (text.empty() ? "" : " ") + describe(argument);
            logLine("console error: " + text);
        }
    } else if (method == "Runtime.exceptionThrown") {
        logLine("uncaught exception: " +
                uncaughtExceptionText(params.value("exceptionDetails", Json::object())));
    } else if (method == "Log.entryAdded") {
        const Json entry = params.value("entry", Json::object());
        if (entry.value("level", "") == "error")
            logLine("console error: " + entry.value("text", "") + " " + entry.value("url", ""));
    }
}

#define QV_ENGINE_EVENT(Name, member, Handler)                                                   \
    HRESULT WebView::add_##Name(Handler* eventHandler, EventRegistrationToken* token) noexcept { \
        try {                                                                                    \
            return member.add(eventHandler, token, nextToken_);                                  \
        } catch (...) {                                                                          \
            return E_OUTOFMEMORY;                                                                \
        }                                                                                        \
    }                                                                                            \
    HRESULT WebView::remove_##Name(EventRegistrationToken token) noexcept {                      \
        return member.remove(token);                                                             \
    }
QV_ENGINE_EVENT(NavigationStarting, navigationStarting_,
                ICoreWebView2NavigationStartingEventHandler)
QV_ENGINE_EVENT(PermissionRequested, permissionRequested_,
                ICoreWebView2PermissionRequestedEventHandler)
QV_ENGINE_EVENT(WebMessageReceived, webMessageReceived_,
                ICoreWebView2WebMessageReceivedEventHandler)
QV_ENGINE_EVENT(NewWindowRequested, newWindowRequested_,
                ICoreWebView2NewWindowRequestedEventHandler)
QV_ENGINE_EVENT(DocumentTitleChanged, documentTitleChanged_,
                ICoreWebView2DocumentTitleChangedEventHandler)
QV_ENGINE_EVENT(ContainsFullScreenElementChanged, fullscreenChanged_,
                ICoreWebView2ContainsFullScreenElementChangedEventHandler)
QV_ENGINE_EVENT(WebResourceRequested, webResourceRequested_,
                ICoreWebView2WebResourceRequestedEventHandler)
QV_ENGINE_EVENT(WindowCloseRequested, windowCloseRequested_,
                ICoreWebView2WindowCloseRequestedEventHandler)
QV_ENGINE_EVENT(DOMContentLoaded, domContentLoaded_, ICoreWebView2DOMContentLoadedEventHandler)
QV_ENGINE_EVENT(ProcessFailed, processFailed_, ICoreWebView2ProcessFailedEventHandler)
#undef QV_ENGINE_EVENT

}  // namespace quorvane::engine
