#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

namespace quorvane {

// How the player left the main window, as window.json keeps it between runs:
//   {"x":100,"y":80,"width":800,"height":600,"dpi":96,"maximized":false,"fullscreen":false}
// x, y, width and height are the windowed (neither maximized nor fullscreen) outer rectangle in
// device-independent pixels at |dpi|, the DPI of the monitor it was on; fractions keep the
// rectangle exact to the pixel at any DPI.
struct RememberedWindow {
    double x = 0;
    double y = 0;
    double width = 0;
    double height = 0;
    UINT dpi = 96;
    bool maximized = false;
    bool fullscreen = false;
};

// The window.json text for |window|, one line.
std::string rememberedWindowText(const RememberedWindow& window);

// What a window.json text holds: the window, or why it cannot be used ("not JSON",
// "\"width\" is missing or not a number", "the size 0x600 is out of range", ...). Members beyond
// the seven are ignored.
struct RememberedWindowRead {
    std::optional<RememberedWindow> window;
    std::string problem;
};
RememberedWindowRead readRememberedWindow(std::string_view text);

// The record for a windowed rectangle in pixels at |dpi|.
RememberedWindow rememberWindowRect(const RECT& rect, UINT dpi, bool maximized, bool fullscreen);

// The rectangle to start with, in pixels, when the window is now drawn at |dpi|: where it was
// (its corner at the DPI it was saved with) and as large as it was in DIPs, so a change of the
// display's scale keeps the window's size as the player sees it.
RECT startRectInPixels(const RememberedWindow& window, UINT dpi);

}  // namespace quorvane
