#pragma once

#include <windows.h>

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>

namespace quorvane::standin {

// Runs the stand-in's completions and events on one UI thread, from inside that thread's message
// loop, as the runtime does: a hidden message-only window on the thread receives one posted
// message per task. Tasks run one at a time and in order; a task posted while another runs (or
// while a handler spins a nested message loop) waits until the running one has returned, so no
// handler is ever entered re-entrantly.
class Dispatcher : public std::enable_shared_from_this<Dispatcher> {
  public:
    // The dispatcher of the calling thread, created on first use.
    static std::shared_ptr<Dispatcher> forCurrentThread();

    ~Dispatcher();
    Dispatcher(const Dispatcher&) = delete;
    Dispatcher& operator=(const Dispatcher&) = delete;

    // Safe from any thread.
    void post(std::function<void()> task);
    // Runs |task| after |milliseconds|; call on the dispatcher's own thread.
    void postDelayed(unsigned milliseconds, std::function<void()> task);

  private:
    Dispatcher();
    static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam,
                                       LPARAM lParam) noexcept;
    void runOne();
    void runTimer(UINT_PTR id);

    HWND window_ = nullptr;
    DWORD thread_ = 0;
    std::mutex lock_;
    std::deque<std::function<void()>> tasks_;
    std::map<UINT_PTR, std::function<void()>> timers_;
    UINT_PTR nextTimer_ = 1;
    bool running_ = false;
    unsigned deferred_ = 0;
};

}  // namespace quorvane::standin
