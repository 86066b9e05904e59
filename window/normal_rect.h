#pragma once

#include <windows.h>

namespace quorvane {

// The outer rectangle |window| has as a normal window, in screen coordinates: its rectangle now
// when it is neither minimized nor maximized, otherwise the one it returns to when restored.
RECT normalWindowRect(HWND window) noexcept;

// Whether a minimized |window| comes back maximized when restored.
bool restoresMaximized(HWND window) noexcept;

// Makes |rect| (screen coordinates) the rectangle a minimized or maximized |window| returns to,
// as a normal window (no longer back to maximized), and applies |showCommand| in the same step:
// SW_SHOWNOACTIVATE restores a maximized window to it, SW_SHOWMINNOACTIVE keeps a minimized one
// minimized until the player restores it.
void setNormalWindowRect(HWND window, const RECT& rect, UINT showCommand) noexcept;

// The work area (the monitor without taskbar and docked bars) of the monitor |rect| lies on most,
// or of the nearest one.
RECT workAreaFor(const RECT& rect) noexcept;

}  // namespace quorvane
