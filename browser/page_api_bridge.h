#pragma once

#include "webview2/webview2_api.h"

namespace quorvane {

// Gives a new view the page API: the script that defines `window.quorvane` in every document the
// view creates from now on, and the way answers reach its page (PostWebMessageAsJson). Called for
// each view, before its first navigation, so the main page already has the object.
void connectPageApi(ICoreWebView2* webView);

}  // namespace quorvane
