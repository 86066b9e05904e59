#pragma once

#include <windows.h>

#include <atomic>
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
    // Set once the browser is gone for good: closed by its host, or lost (its process ended
    // without being asked to; the view then reports the browser process exited).
    std::atomic<bool> closed{false};
    std::atomic<bool> lost{false};
    // Ends the browser (asked to close, then its process ended); idempotent.
    void shutDown();
    // On the UI thread, when the connection has ended: unless the browser was closed, its process
    // is gone, and the view is told.
    void onConnectionLost();
};

}  // namespace quorvane::engine
