#include "installer/setup_window.h"

#include <commctrl.h>

#include "platform/display_scale.h"

namespace quorvane {

const wchar_t setupWindowClass[] = L"WebView2Setup";

namespace {

// WS_VISIBLE | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX: close and minimize buttons only, no
// sizing border.
constexpr DWORD setupWindowStyle = 0x10CA0000;
// WS_CHILD | WS_VISIBLE.
constexpr DWORD progressBarStyle = 0x50000000;
// COLOR_MENU + 1.
constexpr INT_PTR setupWindowBrush = 5;

}  // namespace

LRESULT CALLBACK setupWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

bool registerSetupWindowClass(HINSTANCE instance, HICON icon) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = setupWindowProc;
    windowClass.cbClsExtra = 0;
    windowClass.cbWndExtra = 0;
    windowClass.hInstance = instance;
    windowClass.hIcon = icon;
    windowClass.hIconSm = icon;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(setupWindowBrush);
    windowClass.lpszMenuName = nullptr;
    windowClass.lpszClassName = setupWindowClass;
    if (RegisterClassExW(&windowClass) != 0)
        return true;
    // A second install attempt in the same process finds the class still registered: the platform
    // refuses the registration with ERROR_CLASS_ALREADY_EXISTS, and the existing class is ours.
    return GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

HWND createSetupWindow(HINSTANCE instance, const std::wstring& title) {
    int32_t width = scaleForDisplay(300);
    int32_t height = scaleForDisplay(90);
    // Outer size, no frame adjustment; each half truncated before the subtraction.
    int x = GetSystemMetrics(SM_CXSCREEN) / 2 - width / 2;
    int y = GetSystemMetrics(SM_CYSCREEN) / 2 - height / 2;
    return CreateWindowExW(0, setupWindowClass, title.c_str(), setupWindowStyle, x, y, width,
                           height, nullptr, nullptr, instance, nullptr);
}

HWND createSetupProgressBar(HINSTANCE instance, HWND window) {
    RECT client{};
    GetClientRect(window, &client);
    int32_t margin = scaleForDisplay(10);
    int32_t margins = scaleForDisplay(20);
    HWND bar =
        CreateWindowExW(0, PROGRESS_CLASSW, nullptr, progressBarStyle, client.left + margin,
                        client.top + margin, (client.right - client.left) - margins,
                        (client.bottom - client.top) - margins, window, nullptr, instance, nullptr);
    SendMessageW(bar, PBM_SETRANGE, 0, MAKELPARAM(0, 100));
    SendMessageW(bar, PBM_SETSTEP, 1, 0);
    return bar;
}

}  // namespace quorvane
