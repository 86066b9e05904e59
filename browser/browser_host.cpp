#include "browser/browser_host.h"

namespace quorvane {

BrowserHost browserHost;

}  // namespace quorvane
