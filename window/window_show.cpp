#include "window/window_show.h"

#include <windows.h>

#include "window/window_state.h"

namespace quorvane {

void showMainWindow() noexcept {
    WindowState& state = windowState;
    HWND window = state.window;
    // A hidden window cannot be maximized without being shown: the maximize from the last run
    // waits for this moment (or for the end of fullscreen, when it starts fullscreen).
    if (state.maximizeWhenShown && !state.fullscreen && !IsWindowVisible(window)) {
        state.maximizeWhenShown = false;
        ShowWindow(window, SW_SHOWMAXIMIZED);
    } else {
        ShowWindow(window, SW_SHOW);
    }
    UpdateWindow(window);
    if (state.toFrontWhenShown) {
        state.toFrontWhenShown = false;
        SetForegroundWindow(window);
    }
}

void bringMainWindowToFront() noexcept {
    WindowState& state = windowState;
    HWND window = state.window;
    if (window == nullptr)
        return;
    if (!IsWindowVisible(window)) {
        state.toFrontWhenShown = true;
        return;
    }
    if (IsIconic(window))
        ShowWindow(window, SW_RESTORE);
    // Allowed because the start that asked is the foreground process and let this one take over
    // (AllowSetForegroundWindow); otherwise Windows only flashes the taskbar button.
    SetForegroundWindow(window);
}

}  // namespace quorvane
