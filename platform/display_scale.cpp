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
    float scaled = static_cast<float>(length) * factor;
    return static_cast<int32_t>(std::ceil(scaled));
}

int32_t scaleForDisplay(int32_t length) {
    if (cachedFactor == 0.0f)
        cachedFactor = measureFactor();
    return scaleLength(length, cachedFactor);
}

}  // namespace quorvane
