#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "tests/support/temp_dir.h"

namespace quorvane::testing {

// Points the stand-in's scenario variable at a file holding |json| for the object's lifetime.
class ScopedScenario {
  public:
    explicit ScopedScenario(const std::string& json);
    ~ScopedScenario();
    ScopedScenario(const ScopedScenario&) = delete;
    ScopedScenario& operator=(const ScopedScenario&) = delete;

  private:
    TempDir folder_;
};

// Runs the calling thread's message loop until |done| holds or |timeoutMs| passes; false on
// timeout.
bool pumpUntil(const std::function<bool()>& done, DWORD timeoutMs = 10000);

// Runs the message loop for |milliseconds|.
void pumpFor(DWORD milliseconds);

}  // namespace quorvane::testing
