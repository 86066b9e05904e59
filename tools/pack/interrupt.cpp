#include "tools/pack/interrupt.h"

#include <windows.h>

#include <atomic>

#include "tools/pack/pack_errors.h"

namespace quorvane::pack {

namespace {

std::atomic<bool> raised{false};

BOOL WINAPI onControl(DWORD) {
    raised = true;
    // Handled: the process goes on to clean up. For CTRL_CLOSE_EVENT the system ends it anyway
    // some seconds later; until then the work undoes what it can.
    return TRUE;
}

}  // namespace

void catchInterrupts() {
    SetConsoleCtrlHandler(onControl, TRUE);
}

void throwIfInterrupted() {
    if (raised)
        throw Interrupted();
}

}  // namespace quorvane::pack
