#include "platform/display_scale.h"

#include <windows.h>

#include <cmath>

namespace quorvane {
namespace {

float cachedFactor = 0.0f;

float measureFactor() {
    HDC screen = GetDC(nullptr);
    int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    return static_cast<float>(dpi) / 96.0f;
}

}  // namespace

int32_t scaleLength(int32_t length, float factor) {
    const float scaled = std::ceil(static_cast<float>(length) * factor);
    // Converting a float outside the int32 range is undefined; INT32_MAX itself rounds to 2^31 in
    // single precision, so the upper end is held there too.
    if (scaled >= 2147483648.0f)
        return INT32_MAX;
    if (scaled < -2147483648.0f)
        return INT32_MIN;
    return static_cast<int32_t>(scaled);
}

int32_t scaleForDisplay(int32_t length) {
    if (cachedFactor == 0.0f)
        cachedFactor = measureFactor();
    return scaleLength(length, cachedFactor);
}

}  // namespace quorvane
