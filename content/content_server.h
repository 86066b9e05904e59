#pragma once

#include "browser/webview2_api.h"

namespace quorvane {

// Answers one request for the app origin from the content folder; the response is set on |args|
// before it returns. Always S_OK.
HRESULT serveResource(ICoreWebView2WebResourceRequestedEventArgs* args) noexcept;

}  // namespace quorvane
