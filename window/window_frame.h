#pragma once

#include <windows.h>

#include <cstdint>

namespace quorvane {

// The outer size of a window whose client area is |clientWidth| x |clientHeight|, given the frame
// that AdjustWindowRectEx puts around an empty client area (negative left and top). Computed in 64
// bits and held to the int32 range: adjusting a huge client rectangle in place overflows.
SIZE outerWindowSize(int32_t clientWidth, int32_t clientHeight, const RECT& emptyFrame);

}  // namespace quorvane
