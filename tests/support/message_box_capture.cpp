#include "tests/support/message_box_capture.h"

#include <algorithm>
#include <iterator>
#include <memory>
#include <vector>

#include "tests/support/process_windows.h"

namespace quorvane::testing {

namespace {

constexpr UINT kMessageTimeoutMs = 2000;
constexpr int kMessageTextId = 0xFFFF;

std::wstring windowText(HWND window) {
    if (window == nullptr)
        return {};
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kMessageTimeoutMs,
                             &length)) {
        return {};
    }
    std::wstring text(length + 1, L'\0');
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                             SMTO_ABORTIFHUNG, kMessageTimeoutMs, &copied)) {
        return {};
    }
    text.resize(copied);
    return text;
}

std::wstring className(HWND window) {
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    return name;
}

// The SS_ICON static of a box. Its id differs (0x440 in Wine, 0x14 on Windows), its style does not.
HWND findIconControl(HWND box) {
    HWND found = nullptr;
    EnumChildWindows(
        box,
        [](HWND child, LPARAM param) -> BOOL {
            LONG style = GetWindowLongW(child, GWL_STYLE);
            if (_wcsicmp(className(child).c_str(), L"Static") == 0 &&
                (style & SS_TYPEMASK) == SS_ICON && (style & WS_VISIBLE)) {
                *reinterpret_cast<HWND*>(param) = child;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

struct Bitmap {
    HDC dc = nullptr;
    HBITMAP bitmap = nullptr;
    HGDIOBJ old = nullptr;
    std::vector<DWORD> pixels;
    int width = 0;
    int height = 0;

    Bitmap(int w, int h) : width(w), height(h) {
        HDC screen = GetDC(nullptr);
        dc = CreateCompatibleDC(screen);
        bitmap = CreateCompatibleBitmap(screen, w, h);
        ReleaseDC(nullptr, screen);
        old = SelectObject(dc, bitmap);
    }
    ~Bitmap() {
        SelectObject(dc, old);
        DeleteObject(bitmap);
        DeleteDC(dc);
    }
    Bitmap(const Bitmap&) = delete;
    Bitmap& operator=(const Bitmap&) = delete;

    void readPixels() {
        BITMAPINFO info = {};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        pixels.assign(static_cast<size_t>(width) * height, 0);
        SelectObject(dc, old);
        GetDIBits(dc, bitmap, 0, height, pixels.data(), &info, DIB_RGB_COLORS);
        old = SelectObject(dc, bitmap);
        for (DWORD& pixel : pixels)
            pixel &= 0x00FFFFFF;
    }
};

}  // namespace

const char* iconName(MessageBoxIcon icon) {
    switch (icon) {
        case MessageBoxIcon::None:
            return "none";
        case MessageBoxIcon::Error:
            return "error";
        case MessageBoxIcon::Information:
            return "information";
        case MessageBoxIcon::Warning:
            return "warning";
        case MessageBoxIcon::Question:
            return "question";
        case MessageBoxIcon::Unrecognised:
            return "unrecognised";
    }
    return "?";
}

MessageBoxIcon identifyMessageBoxIcon(HWND box) {
    HWND control = findIconControl(box);
    if (control == nullptr)
        return MessageBoxIcon::None;
    // Wine keeps an empty icon control in a box without icon (Windows leaves it out). The handle
    // STM_GETICON answers cannot be drawn from another process, but whether there is one can be
    // told.
    DWORD_PTR icon = 0;
    if (SendMessageTimeoutW(control, STM_GETICON, 0, 0, SMTO_ABORTIFHUNG, kMessageTimeoutMs,
                            &icon) &&
        icon == 0) {
        return MessageBoxIcon::None;
    }
    RECT client = {};
    GetClientRect(control, &client);
    int width = std::min<int>(client.right, GetSystemMetrics(SM_CXICON));
    int height = std::min<int>(client.bottom, GetSystemMetrics(SM_CYICON));
    if (width <= 0 || height <= 0)
        return MessageBoxIcon::Unrecognised;

    Bitmap shown(width, height);
    POINT origin = {0, 0};
    MapWindowPoints(control, box, &origin, 1);
    HDC boxDc = GetDC(box);
    BitBlt(shown.dc, 0, 0, width, height, boxDc, origin.x, origin.y, SRCCOPY);
    ReleaseDC(box, boxDc);
    shown.readPixels();

    // The standard icons leave their corner transparent, so the corner shows the background that
    // each candidate is drawn onto.
    COLORREF background = GetPixel(shown.dc, 0, 0);
    struct Candidate {
        MessageBoxIcon icon;
        LPCWSTR id;
    };
    const Candidate candidates[] = {{MessageBoxIcon::Error, IDI_HAND},
                                    {MessageBoxIcon::Information, IDI_ASTERISK},
                                    {MessageBoxIcon::Warning, IDI_EXCLAMATION},
                                    {MessageBoxIcon::Question, IDI_QUESTION}};
    MessageBoxIcon best = MessageBoxIcon::Unrecognised;
    size_t bestMatches = 0;
    for (const Candidate& candidate : candidates) {
        Bitmap drawn(width, height);
        HBRUSH brush = CreateSolidBrush(background);
        RECT all = {0, 0, width, height};
        FillRect(drawn.dc, &all, brush);
        DeleteObject(brush);
        DrawIconEx(drawn.dc, 0, 0, LoadIconW(nullptr, candidate.id), 0, 0, 0, nullptr, DI_NORMAL);
        drawn.readPixels();
        size_t matches = 0;
        for (size_t i = 0; i < drawn.pixels.size(); ++i) {
            if (drawn.pixels[i] == shown.pixels[i])
                ++matches;
        }
        if (matches > bestMatches) {
            bestMatches = matches;
            best = candidate.icon;
        }
    }
    // Nearly every pixel must agree: the four icons share much of their background.
    if (bestMatches * 100 < shown.pixels.size() * 95)
        return MessageBoxIcon::Unrecognised;
    return best;
}

size_t MessageBoxCapture::poll() {
    std::vector<HWND> boxes;
    std::vector<std::wstring> others;
    for (const WindowSeen& seen : visibleWindowsOf(processId_)) {
        // A message box is a dialog with the message text static; other dialogs of the program
        // are left alone.
        if (seen.className == L"#32770" && GetDlgItem(seen.window, kMessageTextId) != nullptr)
            boxes.push_back(seen.window);
        else
            others.push_back(seen.className);
    }

    size_t added = 0;
    for (HWND box : boxes) {
        HWND ok = GetDlgItem(box, IDOK);
        HWND button = ok != nullptr ? ok : GetDlgItem(box, IDCANCEL);
        int buttonId = ok != nullptr ? IDOK : IDCANCEL;
        if (handled_.count(box) != 0) {
            // Still up after its click: press again through the dialog itself.
            PostMessageW(box, WM_COMMAND, MAKEWPARAM(buttonId, BN_CLICKED),
                         reinterpret_cast<LPARAM>(button));
            continue;
        }
        MessageBoxSeen entry;
        entry.caption = windowText(box);
        entry.text = windowText(GetDlgItem(box, kMessageTextId));
        entry.owner = GetWindow(box, GW_OWNER);
        entry.windowsBeside = others;
        entry.icon = identifyMessageBoxIcon(box);
        // Painting can lag behind visibility, by seconds on a loaded machine (three seconds were
        // once not enough with three tests running beside each other): look again for a while
        // before calling the icon unrecognised.
        for (int attempt = 0; attempt < 80 && entry.icon == MessageBoxIcon::Unrecognised;
             ++attempt) {
            RedrawWindow(box, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
            Sleep(100);
            entry.icon = identifyMessageBoxIcon(box);
        }
        seen_.push_back(entry);
        handled_.insert(box);
        ++added;
        DWORD_PTR ignored = 0;
        SendMessageTimeoutW(button, BM_CLICK, 0, 0, SMTO_ABORTIFHUNG, kMessageTimeoutMs, &ignored);
    }
    for (auto it = handled_.begin(); it != handled_.end();) {
        it = IsWindow(*it) ? std::next(it) : handled_.erase(it);
    }
    return added;
}

}  // namespace quorvane::testing
