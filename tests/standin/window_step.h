#pragma once

#include <windows.h>

#include "tests/standin/scenario.h"

namespace quorvane::standin {

// The player's hand on the top-level window that hosts the view (|host| or its root), as Windows
// carries it out: "drag" the frame to step.rect (the move/size loop's messages around the move),
// or click the maximize, minimize, restore or close button (WM_SYSCOMMAND). Records
//   window drag L,T,R,B | window maximize | window minimize | window restore | window close
// and then, unless the window is gone,
//   window state=normal|maximized|minimized rect=L,T,R,B
// (the rectangle the window has, or returns to when it is minimized or maximized). A host that
// is not a window records "window (no window)".
void runWindowStep(HWND host, const Step& step);

}  // namespace quorvane::standin
