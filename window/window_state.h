#pragma once

#include <windows.h>
#include <shobjidl.h>

#include "platform/com_ref.h"

namespace quorvane {

// The main window and what fullscreen needs to undo itself. The saved values are written when
// fullscreen is entered and read when it is left.
struct WindowState {
    LONG savedStyle = 0;
    LONG savedExStyle = 0;
    RECT savedRect = {};
    bool fullscreen = false;
    HWND window = nullptr;
    // Created on the first switch that changes anything; kept for the run.
    ComRef<ITaskbarList2> taskbarList;
};

extern WindowState windowState;

// Switches the main window into a borderless window covering its whole monitor (taskbar area
// included), or back to the style, extended style and rectangle it had before. A request for the
// state the window is already in changes nothing. Never fails visibly.
void setFullscreen(bool on) noexcept;

}  // namespace quorvane
