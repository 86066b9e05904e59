#pragma once

#include "platform/com_ref.h"
#include "webview2/webview2_api.h"

namespace quorvane {

// The process-wide browser references, set as the environment and controller completions arrive
// and held until process exit. Members are destroyed in reverse order of declaration, so the view
// is released before its controller, and the controller before its environment.
struct BrowserHost {
    ComRef<ICoreWebView2Environment> environment;
    ComRef<ICoreWebView2Controller> controller;
    ComRef<ICoreWebView2> webView;
    ComRef<ICoreWebView2_2> webView2;

    // Lets go of all four in that same order: the view, its controller, then the environment.
    void release();
};

extern BrowserHost browserHost;

}  // namespace quorvane
