#include "tests/installer/setup_window_spy.h"

#include <commctrl.h>

#include <stdexcept>

namespace quorvane::testing {

namespace {

SetupWindowSpy* activeSpy = nullptr;

std::wstring classOf(HWND window) {
    wchar_t buffer[64] = {};
    GetClassNameW(window, buffer, 64);
    return buffer;
}

bool isSetupWindow(HWND window) {
    return classOf(window) == L"WebView2Setup";
}

}  // namespace

SetupWindowSpy::SetupWindowSpy() {
    if (activeSpy != nullptr)
        throw std::logic_error("one SetupWindowSpy at a time");
    activeSpy = this;
    DWORD thread = GetCurrentThreadId();
    cbt_ = SetWindowsHookExW(WH_CBT, cbtHook, nullptr, thread);
    callWndProc_ = SetWindowsHookExW(WH_CALLWNDPROC, callWndProcHook, nullptr, thread);
    if (cbt_ == nullptr || callWndProc_ == nullptr)
        throw std::runtime_error("hooks not set");
}

SetupWindowSpy::~SetupWindowSpy() {
    UnhookWindowsHookEx(cbt_);
    UnhookWindowsHookEx(callWndProc_);
    activeSpy = nullptr;
}

std::vector<CreatedWindow> SetupWindowSpy::createdOf(const std::wstring& className) const {
    std::vector<CreatedWindow> found;
    for (const CreatedWindow& window : created) {
        if (window.className == className)
            found.push_back(window);
    }
    return found;
}

LRESULT CALLBACK SetupWindowSpy::cbtHook(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_CREATEWND && activeSpy != nullptr) {
        const CREATESTRUCTW* create = reinterpret_cast<CBT_CREATEWNDW*>(lParam)->lpcs;
        CreatedWindow seen;
        seen.window = reinterpret_cast<HWND>(wParam);
        if (!IS_INTRESOURCE(create->lpszClass))
            seen.className = create->lpszClass;
        if (create->lpszName != nullptr)
            seen.title = create->lpszName;
        seen.style = static_cast<DWORD>(create->style);
        seen.exStyle = create->dwExStyle;
        seen.x = create->x;
        seen.y = create->y;
        seen.width = create->cx;
        seen.height = create->cy;
        seen.parent = create->hwndParent;
        seen.menu = create->hMenu;
        seen.instance = create->hInstance;
        activeSpy->created.push_back(seen);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

LRESULT CALLBACK SetupWindowSpy::callWndProcHook(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HC_ACTION && activeSpy != nullptr) {
        activeSpy->observe(*reinterpret_cast<CWPSTRUCT*>(lParam));
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

void SetupWindowSpy::observe(const CWPSTRUCT& message) {
    switch (message.message) {
        case PBM_SETPOS:
            positions.push_back(static_cast<int>(static_cast<INT_PTR>(message.wParam)));
            if (positions.size() == 1 && onFirstPosition)
                onFirstPosition(GetParent(message.hwnd));
            break;
        case PBM_SETRANGE:
            if (message.wParam == 0)
                ranges.push_back(message.lParam);
            break;
        case PBM_SETSTEP:
            steps.push_back(message.wParam);
            break;
        case WM_CLOSE:
            if (isSetupWindow(message.hwnd) && !closing.taken) {
                closing.taken = true;
                closing.at = GetTickCount64();
                GetWindowRect(message.hwnd, &closing.windowRect);
                GetClientRect(message.hwnd, &closing.clientRect);
                closing.style = GetWindowLongW(message.hwnd, GWL_STYLE);
                HWND bar = FindWindowExW(message.hwnd, nullptr, PROGRESS_CLASSW, nullptr);
                if (bar != nullptr) {
                    GetWindowRect(bar, &closing.barRect);
                    MapWindowPoints(nullptr, message.hwnd,
                                    reinterpret_cast<POINT*>(&closing.barRect), 2);
                    closing.barPosition = static_cast<int>(SendMessageW(bar, PBM_GETPOS, 0, 0));
                }
            }
            break;
        case WM_DESTROY:
            if (isSetupWindow(message.hwnd))
                destroyedAt = GetTickCount64();
            break;
        default:
            break;
    }
}

}  // namespace quorvane::testing
