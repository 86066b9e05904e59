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
        *reinterpret_cast<HWND*>(context) = child;
        return FALSE;
    }
    return TRUE;
}

// The pixels of |icon| drawn at the standard icon size over a fixed background.
std::vector<DWORD> pixelsOf(HICON icon) {
    int width = GetSystemMetrics(SM_CXICON);
    int height = GetSystemMetrics(SM_CYICON);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    std::vector<DWORD> pixels;
    if (bitmap != nullptr) {
        HGDIOBJ old = SelectObject(dc, bitmap);
        auto* words = static_cast<DWORD*>(bits);
        std::fill(words, words + width * height, 0x00FF00FFu);
        DrawIconEx(dc, 0, 0, icon, width, height, 0, nullptr, DI_NORMAL);
        GdiFlush();
        pixels.assign(words, words + width * height);
        SelectObject(dc, old);
        DeleteObject(bitmap);
    }
    DeleteDC(dc);
    return pixels;
}

std::wstring standardIconOf(HWND iconControl) {
    HICON shown = reinterpret_cast<HICON>(SendMessageW(iconControl, STM_GETICON, 0, 0));
    if (shown == nullptr)
        return L"";  // Wine keeps an empty icon control in boxes without one
    std::vector<DWORD> pixels = pixelsOf(shown);
    if (pixels.empty())
        return L"other";
    const struct {
        LPCWSTR id;
        const wchar_t* name;
    } standard[] = {{IDI_ERROR, L"error"},
                    {IDI_WARNING, L"warning"},
                    {IDI_INFORMATION, L"information"},
                    {IDI_QUESTION, L"question"}};
    for (const auto& candidate : standard) {
        if (pixelsOf(LoadIconW(nullptr, candidate.id)) == pixels)
            return candidate.name;
    }
    return L"other";
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
            caught.owner = GetWindow(box, GW_OWNER);
            HWND iconControl = nullptr;
            EnumChildWindows(box, findIcon, reinterpret_cast<LPARAM>(&iconControl));
            caught.hasIcon = iconControl != nullptr;
            if (iconControl != nullptr && processId_ == GetCurrentProcessId()) {
                caught.icon = standardIconOf(iconControl);
            }
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
