#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace quorvane::testing {

// A visible top-level window of another process, with its class name and title.
struct WindowSeen {
    HWND window = nullptr;
    std::wstring className;
    std::wstring title;
};

// The visible top-level windows of a process, in z-order.
std::vector<WindowSeen> visibleWindowsOf(DWORD processId);

}  // namespace quorvane::testing
