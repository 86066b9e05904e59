#pragma once

#include "webview2/webview2_api.h"

namespace quorvane {

// The environment completion: keeps the environment and asks for a controller in the main window.
void onEnvironmentCreated(HRESULT errorCode, ICoreWebView2Environment* environment);

// The controller completion: keeps the controller and its view, applies the settings, sizes the
// view to the window, routes app-origin requests to the content server, registers every event
// handler and navigates to the main page.
void onControllerCreated(HRESULT errorCode, ICoreWebView2Controller* controller);

}  // namespace quorvane
