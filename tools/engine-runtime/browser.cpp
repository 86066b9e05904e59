#include "tools/engine-runtime/browser.h"

#include "tools/engine-runtime/engine_log.h"

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

}  // namespace quorvane::engine
