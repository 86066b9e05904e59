#pragma once

#include <windows.h>

#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

#include "tests/support/message_box_capture.h"

namespace quorvane::testing {

// Watches, from its own thread, for the message boxes of one process (this one by default),
// records each and dismisses it with OK, so code under test that shows a box on the test's own
// thread carries on. Stops on destruction.
class MessageBoxCatcher {
  public:
    explicit MessageBoxCatcher(DWORD processId = GetCurrentProcessId());
    ~MessageBoxCatcher();
    MessageBoxCatcher(const MessageBoxCatcher&) = delete;
    MessageBoxCatcher& operator=(const MessageBoxCatcher&) = delete;

    std::vector<MessageBoxSeen> boxes() const;

  private:
    void watch();

    MessageBoxCapture capture_;
    std::atomic<bool> stopping_{false};
    mutable std::mutex mutex_;
    std::thread thread_;
};

}  // namespace quorvane::testing
