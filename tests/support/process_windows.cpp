#include "tests/support/process_windows.h"

namespace quorvane::testing {

std::vector<WindowSeen> visibleWindowsOf(DWORD processId) {
    struct Search {
        DWORD processId;
        std::vector<WindowSeen> found;
    } search{processId, {}};
    EnumWindows(
        [](HWND window, LPARAM param) -> BOOL {
            auto* s = reinterpret_cast<Search*>(param);
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            if (owner != s->processId || !IsWindowVisible(window))
                return TRUE;
            wchar_t name[256] = {};
            GetClassNameW(window, name, 256);
            wchar_t title[512] = {};
            // InternalGetWindowText never waits for the other process.
            InternalGetWindowText(window, title, 512);
            s->found.push_back(WindowSeen{window, name, title});
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

}  // namespace quorvane::testing
