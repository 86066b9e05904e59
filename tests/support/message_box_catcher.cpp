#include "tests/support/message_box_catcher.h"

namespace quorvane::testing {

MessageBoxCatcher::MessageBoxCatcher(DWORD processId)
    : capture_(processId), thread_([this] { watch(); }) {}

MessageBoxCatcher::~MessageBoxCatcher() {
    stopping_ = true;
    thread_.join();
}

std::vector<MessageBoxSeen> MessageBoxCatcher::boxes() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return capture_.seen();
}

void MessageBoxCatcher::watch() {
    while (!stopping_) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            capture_.poll();
        }
        Sleep(20);
    }
}

}  // namespace quorvane::testing
