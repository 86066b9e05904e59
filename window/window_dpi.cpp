#include "window/window_dpi.h"

#include <algorithm>

#include "platform/system_library.h"

namespace quorvane {

namespace {

// Floor and ceiling of a quotient with a positive divisor, for negative dividends too.
int64_t floorDivide(int64_t value, int64_t divisor) {
    const int64_t quotient = value / divisor;
    return (value % divisor != 0 && value < 0) ? quotient - 1 : quotient;
}

int64_t ceilDivide(int64_t value, int64_t divisor) {
    return -floorDivide(-value, divisor);
}

// Held where the products below cannot overflow: no screen is a million pixels wide.
constexpr int64_t kLengthLimit = int64_t{1} << 40;

}  // namespace

UINT windowDpi(HWND window) noexcept {
    using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
    static const auto getDpiForWindow =
        systemFunction<GetDpiForWindowFn>(L"user32.dll", "GetDpiForWindow");
    if (getDpiForWindow != nullptr && window != nullptr) {
        const UINT dpi = getDpiForWindow(window);
        if (dpi != 0)
            return dpi;
    }
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    return dpi > 0 ? static_cast<UINT>(dpi) : 96;
}

int32_t clampToInt32(int64_t value) noexcept {
    return static_cast<int32_t>(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX));
}

int32_t pixelsFromDips(int64_t dips, UINT dpi) noexcept {
    dips = std::clamp(dips, -kLengthLimit, kLengthLimit);
    return clampToInt32(ceilDivide(dips * (dpi == 0 ? 96 : dpi), 96));
}

int32_t dipsFromPixels(int64_t pixels, UINT dpi) noexcept {
    pixels = std::clamp(pixels, -kLengthLimit, kLengthLimit);
    return clampToInt32(floorDivide(pixels * 96, dpi == 0 ? 96 : dpi));
}

}  // namespace quorvane
