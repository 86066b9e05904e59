#include "window/window_frame.h"

#include "window/window_dpi.h"

#include <algorithm>

namespace quorvane {

SIZE outerWindowSize(int32_t clientWidth, int32_t clientHeight, const RECT& emptyFrame) {
    const int64_t frameWidth = int64_t{emptyFrame.right} - emptyFrame.left;
    const int64_t frameHeight = int64_t{emptyFrame.bottom} - emptyFrame.top;
    return {clampToInt32(clientWidth + frameWidth), clampToInt32(clientHeight + frameHeight)};
}

}  // namespace quorvane
