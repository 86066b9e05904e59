#pragma once

#include <windows.h>

namespace quorvane {

// The whole run: start-up, the message loop and shutdown. Returns the process exit code: 1 after
// any start-up failure (reported in a message box first), otherwise the WM_QUIT code.
int runShell(HINSTANCE instance);

}  // namespace quorvane
