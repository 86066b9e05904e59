#include "browser/browser_start.h"

#include "browser/browser_setup.h"
#include "browser/com_handler.h"
#include "browser/runtime_loader.h"
#include "platform/run_log.h"

namespace quorvane {

BrowserStart browserStart;

HRESULT startBrowser() {
    auto completed = makeHandler<ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler>(
        IID_ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler,
        [](HRESULT result, ICoreWebView2Environment* environment) {
            onEnvironmentCreated(result, environment);
        });
    const BrowserStart& start = browserStart;
    const HRESULT created =
        completed ? CreateCoreWebView2EnvironmentWithOptions(
                        start.browserFolder ? start.browserFolder->c_str() : nullptr,
                        start.userDataFolder.c_str(), start.options.get(), completed.get())
                  : E_OUTOFMEMORY;
    if (FAILED(created))
        logLine("environment creation call failed hr=" + hexCode(created));
    return created;
}

}  // namespace quorvane
