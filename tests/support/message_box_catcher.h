#pragma once

#include <windows.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace quorvane::testing {

struct CaughtMessageBox {
    std::wstring caption;
    std::wstring text;
    bool hasIcon = false;  // a Static control with SS_ICON is in the box
    // Which standard icon it shows, told by its pixels: L"error", L"warning", L"information",
    // L"question", L"other"; empty when there is none or the box is in another process (whose
    // icon handle cannot be drawn from here).
    std::wstring icon;
    HWND owner = nullptr;
};

// Watches, from its own thread, for visible message boxes ("#32770" windows) of one process,
// records each one's caption and text and dismisses it with OK, so code under test that shows a
// box on the test's own thread carries on. Stops on destruction.
class MessageBoxCatcher {
  public:
    explicit MessageBoxCatcher(DWORD processId = GetCurrentProcessId());
    ~MessageBoxCatcher();
    MessageBoxCatcher(const MessageBoxCatcher&) = delete;
    MessageBoxCatcher& operator=(const MessageBoxCatcher&) = delete;

    std::vector<CaughtMessageBox> boxes() const;

  private:
    void watch();

    DWORD processId_;
    std::atomic<bool> stopping_{false};
    mutable std::mutex mutex_;
    std::vector<CaughtMessageBox> boxes_;
    std::vector<HWND> dismissed_;
    std::thread thread_;
};

}  // namespace quorvane::testing
