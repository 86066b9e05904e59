#pragma once

#include "webview2/webview2_api.h"

namespace quorvane {

// The environment completion: keeps the environment and asks for a controller in the main window.
void onEnvironmentCreated(HRESULT errorCode, ICoreWebView2Environment* environment);

// Tells the user that the browser cannot go on (a box captioned with the window title), closes the
// main window and ends the run with |exitCode| once the message loop sees the quit message.
void reportBrowserFailure(const wchar_t* text, int exitCode);

// The controller completion: keeps the controller and its view, applies the settings, sizes the
// view to the window, routes app-origin requests to the content server, registers every event
// handler and navigates to the main page.
void onControllerCreated(HRESULT errorCode, ICoreWebView2Controller* controller);

}  // namespace quorvane
