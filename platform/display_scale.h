#pragma once

#include <cstdint>

namespace quorvane {

// Converts a length in 96-dpi units into device pixels at the system DPI. The factor is measured
// once (a measurement of 0 is repeated on the next call).
int32_t scaleForDisplay(int32_t length);

// The arithmetic of scaleForDisplay for a given factor: single-precision multiply and ceiling, held
// to the int32 range.
int32_t scaleLength(int32_t length, float factor);

}  // namespace quorvane
