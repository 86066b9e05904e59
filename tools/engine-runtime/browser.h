#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "tools/engine-runtime/chromium.h"
#include "tools/engine-runtime/devtools.h"

namespace quorvane::engine {

class WebView;

// What the environment, its controller and its view share: the one browser and the connection.
struct Browser {
    ChromiumProcess process;
    DevTools devtools;
    std::wstring version;
    std::vector<std::string> arguments;
    int screenWidth = 0;
    int screenHeight = 0;
    // Random names, fresh for each environment, under which the page reaches the engine.
    std::string binding;
    std::string replies;
    WebView* view = nullptr;  // the UI thread's; set while the view lives
    HWND window = nullptr;    // the controller's parent window
    bool closed = false;
    // Ends the browser (asked to close, then its process ended); idempotent.
    void shutDown();
};

}  // namespace quorvane::engine
