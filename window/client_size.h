#pragma once

#include <windows.h>

namespace quorvane {

// The main window's client area as a page sees it, in device-independent pixels (DIPs, pixels at
// 96 dpi) at the window's DPI.
struct WindowClientState {
    bool fullscreen = false;
    int width = 0;
    int height = 0;
};

// The smallest client area a page can ask for.
inline constexpr SIZE kSmallestClientInDips = {320, 240};

// The client area now: the whole monitor when fullscreen; while minimized, the client area the
// window has again when restored. Zeros before the window exists.
WindowClientState clientStateInDips() noexcept;

// Sizes the client area of the windowed window to |width| x |height| DIPs, no smaller than
// kSmallestClientInDips and no larger than the work area of its monitor allows; the window keeps
// its top-left corner unless it would then cross the work area's edge, and then moves just
// enough to stay inside. A maximized window is restored to that size (the player asked the game
// for a window size, and a maximized window would not show it); a minimized one stays minimized
// and comes back at that size. Asked while fullscreen, the size is kept and applied when
// fullscreen ends. The last request wins, also over a maximize left over from the last run.
void setClientSizeInDips(int width, int height) noexcept;

// For setFullscreen, once the windowed style and rectangle are back: applies the client size the
// page asked for while fullscreen, or else a maximize the window still owes the last run.
void finishLeavingFullscreen() noexcept;

// The outer rectangle setClientSizeInDips gives a windowed window of |style| and |exStyle| drawn at
// |dpi| whose outer rectangle is |current|, for a client area of |dips|.
RECT windowedRectForClientSize(const RECT& current, SIZE dips, LONG style, LONG exStyle,
                               UINT dpi) noexcept;

// Where a window goes for a client area of |client| pixels: |current| (its outer rectangle)
// keeps its top-left corner unless the new outer size crosses an edge of |workArea|, then moves
// just enough; a client area too large for the work area is made smaller, never below |minimum|.
// |frame| is what AdjustWindowRectEx makes of an empty client rectangle.
RECT placeClientSize(const RECT& current, SIZE client, SIZE minimum, const RECT& frame,
                     const RECT& workArea) noexcept;

}  // namespace quorvane
