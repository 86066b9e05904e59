#pragma once

#include <windows.h>

#include <functional>

namespace quorvane::testing {

// Runs the calling thread's message loop (as the shell's does: translate, dispatch) until |done|
// answers true, checking it between messages; false when |milliseconds| pass first.
bool pumpMessagesUntil(const std::function<bool()>& done, DWORD milliseconds = 15000);

// Runs the message loop for |milliseconds|, for checking that something does not happen.
void pumpMessagesFor(DWORD milliseconds);

}  // namespace quorvane::testing
