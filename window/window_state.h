#pragma once

#include <windows.h>
#include <shobjidl.h>

#include <optional>

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

    // What is still to be done to the window once it is shown, or once fullscreen ends:
    // maximize it (it was left maximized last time: a hidden window cannot be maximized without
    // being shown), and size its client area as the page asked while it was fullscreen (in
    // device-independent pixels).
    bool maximizeWhenShown = false;
    std::optional<SIZE> clientSizeAfterFullscreen;
    // Another start of the game asked for this window while it was still hidden: it comes to the
    // front when it is shown.
    bool toFrontWhenShown = false;
};

extern WindowState windowState;

// Switches the main window into a borderless window covering its whole monitor (taskbar area
// included), or back to the style, extended style and rectangle it had before. A request for the
// state the window is already in changes nothing. Never fails visibly. Leaving also does what was
// put off until then (a client size the page asked for, a maximize from the last run).
void setFullscreen(bool on) noexcept;

}  // namespace quorvane
