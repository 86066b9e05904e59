#pragma once

#include <windows.h>

#include <string>

namespace quorvane {

// The small window that shows the bootstrapper download: class "WebView2Setup", a fixed-size
// captioned window centred on the primary screen with one progress bar filling its client area
// less a margin.

extern const wchar_t setupWindowClass[];

// Destroying the window posts WM_QUIT (code 0), which ends the install flow's nested loop.
LRESULT CALLBACK setupWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept;

// Registers the class with |icon| as both icons. A class already registered by an earlier call
// in this process counts as success: it was registered here with the same fields.
bool registerSetupWindowClass(HINSTANCE instance, HICON icon);

// Creates the visible progress window titled |title|; null on failure.
HWND createSetupWindow(HINSTANCE instance, const std::wstring& title);

// Creates the progress bar inside |window| with range 0..100 and step 1; the handle may be null.
HWND createSetupProgressBar(HINSTANCE instance, HWND window);

}  // namespace quorvane
