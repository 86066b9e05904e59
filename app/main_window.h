#pragma once

#include <windows.h>

namespace quorvane {

// The window class of the main window.
extern const wchar_t kMainWindowClass[];

// Keeps the browser controller sized to the client area and told about moves, makes the browser
// again when its process has gone (kRestartBrowserMessage), and ends the message loop when the
// window is destroyed.
LRESULT CALLBACK mainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept;

}  // namespace quorvane
