#pragma once

#include <windows.h>

#include <cstdint>

namespace quorvane {

// Device-independent pixels (DIPs) are pixels at 96 dpi: what a page and the manifest measure in.

// The DPI |window| is drawn at: GetDpiForWindow where the system has it (Windows 10 1607 on),
// otherwise the system DPI. For this DPI-aware (system-aware) process both give the system DPI.
UINT windowDpi(HWND window) noexcept;

// |value| held inside the 32 bits of Win32's coordinates and lengths.
int32_t clampToInt32(int64_t value) noexcept;

// A length in DIPs as pixels at |dpi|, rounded up as the manifest's window size is, held to the
// int32 range.
int32_t pixelsFromDips(int64_t dips, UINT dpi) noexcept;

// A length in pixels as DIPs at |dpi|, rounded down: at 96 dpi and above, a length in DIPs taken
// to pixels and back is the same length.
int32_t dipsFromPixels(int64_t pixels, UINT dpi) noexcept;

}  // namespace quorvane
