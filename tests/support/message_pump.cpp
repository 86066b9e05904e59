#include "tests/support/message_pump.h"

namespace quorvane::testing {

bool pumpMessagesUntil(const std::function<bool()>& done, DWORD milliseconds) {
    const ULONGLONG end = GetTickCount64() + milliseconds;
    while (!done()) {
        if (GetTickCount64() >= end)
            return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    return true;
}

void pumpMessagesFor(DWORD milliseconds) {
    pumpMessagesUntil([] { return false; }, milliseconds);
}

}  // namespace quorvane::testing
