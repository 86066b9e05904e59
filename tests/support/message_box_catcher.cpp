#include "tests/support/message_box_catcher.h"

#include <algorithm>

namespace quorvane::testing {

namespace {

std::wstring textOf(HWND window) {
    wchar_t buffer[1024] = {};
    GetWindowTextW(window, buffer, 1024);
    return buffer;
}

std::wstring classOf(HWND window) {
    wchar_t buffer[64] = {};
    GetClassNameW(window, buffer, 64);
    return buffer;
}

struct Search {
    DWORD processId;
    std::vector<HWND> found;
};

BOOL CALLBACK collectBox(HWND window, LPARAM context) {
    auto* search = reinterpret_cast<Search*>(context);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == search->processId && IsWindowVisible(window) && classOf(window) == L"#32770") {
        search->found.push_back(window);
    }
    return TRUE;
}

// The icon control's id differs between Windows (0x14) and Wine (0x440): find it by style.
BOOL CALLBACK findIcon(HWND child, LPARAM context) {
    LONG style = GetWindowLongW(child, GWL_STYLE);
    if (classOf(child) == L"Static" && (style & SS_TYPEMASK) == SS_ICON) {
        *reinterpret_cast<bool*>(context) = true;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

MessageBoxCatcher::MessageBoxCatcher(DWORD processId)
    : processId_(processId), thread_([this] { watch(); }) {}

MessageBoxCatcher::~MessageBoxCatcher() {
    stopping_ = true;
    thread_.join();
}

std::vector<CaughtMessageBox> MessageBoxCatcher::boxes() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return boxes_;
}

void MessageBoxCatcher::watch() {
    while (!stopping_) {
        Search search{processId_, {}};
        EnumWindows(collectBox, reinterpret_cast<LPARAM>(&search));
        for (HWND box : search.found) {
            if (std::find(dismissed_.begin(), dismissed_.end(), box) != dismissed_.end())
                continue;
            CaughtMessageBox caught;
            caught.caption = textOf(box);
            caught.text = textOf(GetDlgItem(box, 0xFFFF));
            EnumChildWindows(box, findIcon, reinterpret_cast<LPARAM>(&caught.hasIcon));
            {
                std::lock_guard<std::mutex> lock(mutex_);
                boxes_.push_back(caught);
            }
            dismissed_.push_back(box);
            PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                         reinterpret_cast<LPARAM>(GetDlgItem(box, IDOK)));
        }
        Sleep(20);
    }
}

}  // namespace quorvane::testing
