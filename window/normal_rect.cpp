#include "window/normal_rect.h"

namespace quorvane {

namespace {

// WINDOWPLACEMENT holds a top-level window's rectangles in workspace coordinates, which start at
// the top-left corner of the work area of the window's monitor instead of the monitor's (they
// differ when the taskbar sits at the left or top); tool windows use screen coordinates. This is
// the offset from workspace to screen coordinates for |window|.
POINT workspaceOffset(HWND window) {
    if ((GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOOLWINDOW) != 0)
        return {0, 0};
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof monitor;
    if (!GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor))
        return {0, 0};
    return {monitor.rcWork.left - monitor.rcMonitor.left,
            monitor.rcWork.top - monitor.rcMonitor.top};
}

}  // namespace

RECT normalWindowRect(HWND window) noexcept {
    RECT rect = {};
    if (!IsIconic(window) && !IsZoomed(window)) {
        GetWindowRect(window, &rect);
        return rect;
    }
    WINDOWPLACEMENT placement = {};
    placement.length = sizeof placement;
    GetWindowPlacement(window, &placement);
    rect = placement.rcNormalPosition;
    const POINT offset = workspaceOffset(window);
    OffsetRect(&rect, offset.x, offset.y);
    return rect;
}

bool restoresMaximized(HWND window) noexcept {
    WINDOWPLACEMENT placement = {};
    placement.length = sizeof placement;
    return GetWindowPlacement(window, &placement) &&
           (placement.flags & WPF_RESTORETOMAXIMIZED) != 0;
}

void setNormalWindowRect(HWND window, const RECT& rect, UINT showCommand) noexcept {
    WINDOWPLACEMENT placement = {};
    placement.length = sizeof placement;
    GetWindowPlacement(window, &placement);
    const POINT offset = workspaceOffset(window);
    placement.rcNormalPosition = rect;
    OffsetRect(&placement.rcNormalPosition, -offset.x, -offset.y);
    placement.flags &= ~static_cast<UINT>(WPF_RESTORETOMAXIMIZED | WPF_SETMINPOSITION);
    placement.showCmd = showCommand;
    SetWindowPlacement(window, &placement);
}

RECT workAreaFor(const RECT& rect) noexcept {
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof monitor;
    if (!GetMonitorInfoW(MonitorFromRect(&rect, MONITOR_DEFAULTTONEAREST), &monitor))
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &monitor.rcWork, 0);
    return monitor.rcWork;
}

}  // namespace quorvane
