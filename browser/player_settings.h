#pragma once

#include "manifest/app_config.h"
#include "webview2/webview2_api.h"

namespace quorvane {

// What the manifest asks of the browser beyond the shell's own settings: browser keys, the status
// bar, pinch zoom, swipe navigation and autofill, in that order, each only when the manifest gives
// it. Each lives on a newer settings interface that an older runtime does not have; such a
// setting is skipped and the others still apply.
void applyPlayerSettings(ICoreWebView2Settings* settings, const AppConfig& config);

}  // namespace quorvane
