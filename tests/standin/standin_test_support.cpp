#include "tests/standin/standin_test_support.h"

#include "tests/standin/standin_environment.h"
#include "tests/support/files.h"

namespace quorvane::testing {

ScopedScenario::ScopedScenario(const std::string& json) {
    const std::wstring path = folder_ / L"scenario.json";
    writeFile(path, json);
    SetEnvironmentVariableW(standin::kScenarioVariable, path.c_str());
}

ScopedScenario::~ScopedScenario() {
    SetEnvironmentVariableW(standin::kScenarioVariable, nullptr);
}

bool pumpUntil(const std::function<bool()>& done, DWORD timeoutMs) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    while (!done()) {
        if (GetTickCount64() >= deadline)
            return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    return true;
}

void pumpFor(DWORD milliseconds) {
    const ULONGLONG until = GetTickCount64() + milliseconds;
    pumpUntil([until] { return GetTickCount64() >= until; }, milliseconds + 1000);
}

}  // namespace quorvane::testing
