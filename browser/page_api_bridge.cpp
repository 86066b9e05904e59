#include "browser/page_api_bridge.h"

#include "browser/browser_host.h"
#include "browser/com_handler.h"
#include "messaging/page_api_script.h"
#include "messaging/page_reply.h"
#include "platform/run_log.h"

namespace quorvane {

namespace {

void postToPage(const std::wstring& json) {
    if (browserHost.webView)
        browserHost.webView->PostWebMessageAsJson(json.c_str());
}

}  // namespace

void connectPageApi(ICoreWebView2* webView) {
    setReplySink(postToPage);
    auto completed = makeHandler<ICoreWebView2AddScriptToExecuteOnDocumentCreatedCompletedHandler>(
        IID_ICoreWebView2AddScriptToExecuteOnDocumentCreatedCompletedHandler,
        [](HRESULT result, LPCWSTR) {
            if (FAILED(result))
                logLine("page api script hr=" + hexCode(result));
        });
    // The navigation that follows is queued behind the script by the runtime, so the first
    // document already runs it; no need to wait for the completion (a runtime that never sent it
    // would leave the window hidden for good).
    const HRESULT added =
        webView->AddScriptToExecuteOnDocumentCreated(pageApiScript().c_str(), completed.get());
    if (FAILED(added))
        logLine("page api script not added hr=" + hexCode(added));
}

}  // namespace quorvane
