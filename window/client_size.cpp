#include "window/client_size.h"

#include <algorithm>
#include <cstdint>

#include "window/normal_rect.h"
#include "window/window_dpi.h"
#include "window/window_state.h"

namespace quorvane {

namespace {

// What AdjustWindowRectEx puts around an empty client area for a windowed window of |style|.
RECT frameFor(LONG style, LONG exStyle) {
    RECT frame = {};
    AdjustWindowRectEx(&frame, static_cast<DWORD>(style & ~(WS_MINIMIZE | WS_MAXIMIZE)), FALSE,
                       static_cast<DWORD>(exStyle));
    return frame;
}

RECT frameOf(HWND window) {
    return frameFor(GetWindowLongW(window, GWL_STYLE), GetWindowLongW(window, GWL_EXSTYLE));
}

LONG clampToLong(int64_t value) {
    return static_cast<LONG>(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX));
}

// One length of the client area: at least |minimum|, and no more than the work area leaves
// beside the frame unless that is below the minimum.
int64_t fittedLength(int64_t asked, int64_t minimum, int64_t room) {
    int64_t length = std::max(asked, minimum);
    if (length > room)
        length = std::max(room, minimum);
    return length;
}

// The start of one axis: where it is, unless the window would cross the far edge (then it moves
// back) or starts before the near one.
int64_t fittedStart(int64_t start, int64_t length, int64_t nearEdge, int64_t farEdge) {
    if (start + length > farEdge)
        start = farEdge - length;
    return std::max(start, nearEdge);
}

void applyClientSize(HWND window, SIZE dips) {
    const RECT target =
        windowedRectForClientSize(normalWindowRect(window), dips, GetWindowLongW(window, GWL_STYLE),
                                  GetWindowLongW(window, GWL_EXSTYLE), windowDpi(window));
    if (IsIconic(window)) {
        setNormalWindowRect(window, target, SW_SHOWMINNOACTIVE);
    } else if (IsZoomed(window)) {
        setNormalWindowRect(window, target, IsWindowVisible(window) ? SW_SHOWNOACTIVATE : SW_HIDE);
    } else {
        SetWindowPos(window, nullptr, target.left, target.top, target.right - target.left,
                     target.bottom - target.top, SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

// A page may ask for any number; more than this is larger than any screen anyway.
constexpr int kLargestAskedLength = 1 << 20;

}  // namespace

RECT placeClientSize(const RECT& current, SIZE client, SIZE minimum, const RECT& frame,
                     const RECT& workArea) noexcept {
    const int64_t frameWidth = int64_t{frame.right} - frame.left;
    const int64_t frameHeight = int64_t{frame.bottom} - frame.top;
    const int64_t width =
        frameWidth +
        fittedLength(client.cx, minimum.cx, int64_t{workArea.right} - workArea.left - frameWidth);
    const int64_t height =
        frameHeight +
        fittedLength(client.cy, minimum.cy, int64_t{workArea.bottom} - workArea.top - frameHeight);
    const int64_t left = fittedStart(current.left, width, workArea.left, workArea.right);
    const int64_t top = fittedStart(current.top, height, workArea.top, workArea.bottom);
    return {clampToLong(left), clampToLong(top), clampToLong(left + width),
            clampToLong(top + height)};
}

RECT windowedRectForClientSize(const RECT& current, SIZE dips, LONG style, LONG exStyle,
                               UINT dpi) noexcept {
    const SIZE client = {pixelsFromDips(dips.cx, dpi), pixelsFromDips(dips.cy, dpi)};
    const SIZE minimum = {pixelsFromDips(kSmallestClientInDips.cx, dpi),
                          pixelsFromDips(kSmallestClientInDips.cy, dpi)};
    return placeClientSize(current, client, minimum, frameFor(style, exStyle),
                           workAreaFor(current));
}

WindowClientState clientStateInDips() noexcept {
    const WindowState& state = windowState;
    WindowClientState result;
    result.fullscreen = state.fullscreen;
    HWND window = state.window;
    if (window == nullptr)
        return result;
    RECT client = {};
    if (IsIconic(window)) {
        // A minimized window's client area is empty; the page keeps the size it comes back to.
        client = normalWindowRect(window);
        const RECT frame = frameOf(window);
        client.right -= frame.right - frame.left;
        client.bottom -= frame.bottom - frame.top;
    } else {
        GetClientRect(window, &client);
    }
    const UINT dpi = windowDpi(window);
    result.width = std::max(0, dipsFromPixels(int64_t{client.right} - client.left, dpi));
    result.height = std::max(0, dipsFromPixels(int64_t{client.bottom} - client.top, dpi));
    return result;
}

void setClientSizeInDips(int width, int height) noexcept {
    WindowState& state = windowState;
    if (state.window == nullptr)
        return;
    const SIZE asked = {
        std::clamp(width, static_cast<int>(kSmallestClientInDips.cx), kLargestAskedLength),
        std::clamp(height, static_cast<int>(kSmallestClientInDips.cy), kLargestAskedLength)};
    state.maximizeWhenShown = false;
    if (state.fullscreen) {
        state.clientSizeAfterFullscreen = asked;
        return;
    }
    applyClientSize(state.window, asked);
}

void finishLeavingFullscreen() noexcept {
    WindowState& state = windowState;
    HWND window = state.window;
    if (state.clientSizeAfterFullscreen) {
        const SIZE asked = *state.clientSizeAfterFullscreen;
        state.clientSizeAfterFullscreen.reset();
        applyClientSize(window, asked);
    } else if (state.maximizeWhenShown && IsWindowVisible(window)) {
        state.maximizeWhenShown = false;
        ShowWindow(window, SW_SHOWMAXIMIZED);
    }
}

}  // namespace quorvane
