#include "window/window_state.h"

#include "window/client_size.h"

namespace quorvane {

WindowState windowState;

namespace {

// WS_CAPTION and WS_THICKFRAME cleared.
constexpr LONG kFullscreenStyleMask = static_cast<LONG>(0xFF3BFFFF);
// WS_EX_DLGMODALFRAME, WS_EX_WINDOWEDGE, WS_EX_CLIENTEDGE and WS_EX_STATICEDGE cleared.
constexpr LONG kFullscreenExStyleMask = static_cast<LONG>(0xFFFDFCFE);

void tellTaskbar(HWND window, bool on) {
    WindowState& state = windowState;
    if (!state.taskbarList) {
        ComRef<ITaskbarList2> list;
        if (SUCCEEDED(CoCreateInstance(CLSID_TaskbarList, nullptr, CLSCTX_INPROC_SERVER,
                                       IID_ITaskbarList2, reinterpret_cast<void**>(list.put())))) {
            // Without HrInit the object is unusable; drop it and try again on the next switch.
            if (SUCCEEDED(list->HrInit()))
                state.taskbarList = std::move(list);
        }
    }
    // Wine implements HrInit but answers E_NOTIMPL here; the window change is already made.
    if (state.taskbarList)
        state.taskbarList->MarkFullscreenWindow(window, on ? TRUE : FALSE);
}

}  // namespace

void setFullscreen(bool on) noexcept {
    WindowState& state = windowState;
    if (on == state.fullscreen)
        return;
    state.fullscreen = on;
    HWND window = state.window;

    RECT target = {};
    if (on) {
        state.savedStyle = GetWindowLongW(window, GWL_STYLE);
        state.savedExStyle = GetWindowLongW(window, GWL_EXSTYLE);
        GetWindowRect(window, &state.savedRect);
        SetWindowLongW(window, GWL_STYLE, state.savedStyle & kFullscreenStyleMask);
        SetWindowLongW(window, GWL_EXSTYLE, state.savedExStyle & kFullscreenExStyleMask);
        MONITORINFO monitor = {};
        monitor.cbSize = sizeof monitor;
        GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor);
        target = monitor.rcMonitor;
    } else {
        // The window may have been shown since it entered (a game that starts fullscreen enters
        // while hidden): the style saved then must not hide it again.
        const LONG visible = GetWindowLongW(window, GWL_STYLE) & WS_VISIBLE;
        SetWindowLongW(window, GWL_STYLE, (state.savedStyle & ~WS_VISIBLE) | visible);
        SetWindowLongW(window, GWL_EXSTYLE, state.savedExStyle);
        target = state.savedRect;
    }
    SetWindowPos(window, nullptr, target.left, target.top, target.right - target.left,
                 target.bottom - target.top, SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    tellTaskbar(window, on);
    if (!on)
        finishLeavingFullscreen();
}

}  // namespace quorvane
