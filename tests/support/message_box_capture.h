#pragma once

#include <windows.h>

#include <set>
#include <string>
#include <vector>

namespace quorvane::testing {

// Which of the system's standard icons a message box showed.
enum class MessageBoxIcon { None, Error, Information, Warning, Question, Unrecognised };

const char* iconName(MessageBoxIcon icon);

struct MessageBoxSeen {
    std::wstring caption;
    std::wstring text;
    MessageBoxIcon icon = MessageBoxIcon::None;
    // The box's owner window (null for a box shown without one).
    HWND owner = nullptr;
    // The classes of the process's other visible top-level windows when the box was found, in
    // z-order.
    std::vector<std::wstring> windowsBeside;
};

// Watches one process for message boxes (visible "#32770" dialogs owned by its threads), records
// each one's caption, text and icon, and dismisses it with its OK button (Cancel when there is
// none). Call poll() repeatedly while the process runs.
class MessageBoxCapture {
  public:
    explicit MessageBoxCapture(DWORD processId) : processId_(processId) {}

    // Handles every box that is showing now; returns how many were new.
    size_t poll();

    const std::vector<MessageBoxSeen>& seen() const { return seen_; }

  private:
    DWORD processId_;
    std::set<HWND> handled_;
    std::vector<MessageBoxSeen> seen_;
};

// The icon shown by the SS_ICON static of |box|, found by comparing its pixels with each standard
// icon drawn the same way (handles of icons cannot be read across processes under Wine).
MessageBoxIcon identifyMessageBoxIcon(HWND box);

}  // namespace quorvane::testing
