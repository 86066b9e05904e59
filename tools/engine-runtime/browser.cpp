#include "tools/engine-runtime/browser.h"

#include "tools/engine-runtime/engine_log.h"
#include "tools/engine-runtime/web_view.h"

namespace quorvane::engine {

void Browser::shutDown() {
    if (closed)
        return;
    closed = true;
    logLine("browser closing");
    if (devtools.connected())
        devtools.call("Browser.close", Json::object());
    process.kill();
}

void Browser::onConnectionLost() {
    if (closed)
        return;
    closed = true;
    lost = true;
    const int status = process.ended();
    logLine("browser process exited, status " + std::to_string(status));
    if (view != nullptr)
        view->onBrowserExited(status);
}

}  // namespace quorvane::engine
