#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "window/remembered_window.h"

namespace quorvane {

// The main window as the last run left it, ready to create the window with.
struct StartPlacement {
    RECT rect = {};  // the windowed outer rectangle, in pixels
    bool maximized = false;
    bool fullscreen = false;
};

// The game remembers its window: from now on, window.json in |folder| (the user data folder)
// keeps it. Returns how the last run left the window when that is still usable: the file reads
// as a window, and its rectangle overlaps the work area of a monitor that exists now. Otherwise
// nothing, after a log line saying why (the window then starts where it always did). Temporary
// files an interrupted write left in |folder| are removed first.
std::optional<StartPlacement> startRememberingWindow(const std::wstring& folder);

// For the main window just created, hidden, at |placement|'s rectangle: a maximize waits for the
// first show; fullscreen is entered at once, still hidden.
void applyStartPlacement(const StartPlacement& placement) noexcept;

// How the main window would be remembered now: its windowed rectangle (also while maximized,
// minimized or fullscreen), whether it is (or comes back) maximized, whether it is fullscreen.
RememberedWindow mainWindowMemory();

// Writes window.json for the main window as it is now, whole or not at all (at close); failures
// are logged. Nothing unless startRememberingWindow was called.
void rememberWindowNow() noexcept;

}  // namespace quorvane
