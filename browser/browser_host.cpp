#include "browser/browser_host.h"

namespace quorvane {

BrowserHost browserHost;

void BrowserHost::release() {
    webView2.reset();
    webView.reset();
    controller.reset();
    environment.reset();
}

}  // namespace quorvane
