#pragma once

#include <windows.h>

namespace quorvane::testing {

// A message-only window of the class |className| (registered on first use) whose messages go to
// |procedure|: a stand-in for a control that code under test sends messages to.
inline HWND createMessageWindow(const wchar_t* className, WNDPROC procedure) {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = className;
    RegisterClassW(&windowClass);
    return CreateWindowExW(0, className, L"", 0, 0, 0, 10, 10, HWND_MESSAGE, nullptr,
                           GetModuleHandleW(nullptr), nullptr);
}

}  // namespace quorvane::testing
