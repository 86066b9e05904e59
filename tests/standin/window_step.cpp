#include "tests/standin/window_step.h"

#include "tests/standin/transcript.h"
#include "tests/standin/transcript_format.h"

namespace quorvane::standin {

namespace {

// What the move/size loop does for one drag ending at |target|: it tells the window the loop
// starts, offers each new rectangle (which the window may change) with WM_MOVING or WM_SIZING,
// moves the window there, and tells it the loop has ended.
void drag(HWND window, const RECT& target) {
    RECT before = {};
    GetWindowRect(window, &before);
    const bool sizing = target.right - target.left != before.right - before.left ||
                        target.bottom - target.top != before.bottom - before.top;
    SendMessageW(window, WM_ENTERSIZEMOVE, 0, 0);
    RECT offered = target;
    SendMessageW(window, sizing ? WM_SIZING : WM_MOVING, sizing ? WMSZ_BOTTOMRIGHT : 0,
                 reinterpret_cast<LPARAM>(&offered));
    SetWindowPos(window, nullptr, offered.left, offered.top, offered.right - offered.left,
                 offered.bottom - offered.top, SWP_NOZORDER | SWP_NOACTIVATE);
    SendMessageW(window, WM_EXITSIZEMOVE, 0, 0);
}

void recordState(HWND window) {
    if (!IsWindow(window))
        return;
    WINDOWPLACEMENT placement = {};
    placement.length = sizeof placement;
    GetWindowPlacement(window, &placement);
    RECT rect = {};
    GetWindowRect(window, &rect);
    const wchar_t* state = L"normal";
    if (IsIconic(window)) {
        state = L"minimized";
        rect = placement.rcNormalPosition;
    } else if (IsZoomed(window)) {
        state = L"maximized";
        rect = placement.rcNormalPosition;
    }
    record(std::wstring(L"window state=") + state + L" rect=" + rectText(rect));
}

}  // namespace

void runWindowStep(HWND host, const Step& step) {
    HWND window = host != nullptr ? GetAncestor(host, GA_ROOT) : nullptr;
    if (window == nullptr || !IsWindow(window)) {
        record(L"window (no window)");
        return;
    }
    if (step.text == L"drag") {
        record(L"window drag " + rectText(step.rect));
        drag(window, step.rect);
    } else {
        record(L"window " + step.text);
        // The buttons of the caption: what a click on each sends.
        const WPARAM command = step.text == L"maximize"   ? SC_MAXIMIZE
                               : step.text == L"minimize" ? SC_MINIMIZE
                               : step.text == L"restore"  ? SC_RESTORE
                                                          : SC_CLOSE;
        SendMessageW(window, WM_SYSCOMMAND, command, 0);
    }
    recordState(window);
}

}  // namespace quorvane::standin
