#include "tests/standin/dispatcher.h"

#include "tests/standin/standin_object.h"

namespace quorvane::standin {

namespace {

constexpr UINT kRunTask = WM_APP + 1;
constexpr wchar_t kClassName[] = L"QuorvaneStandinDispatcher";

}  // namespace

std::shared_ptr<Dispatcher> Dispatcher::forCurrentThread() {
    thread_local std::weak_ptr<Dispatcher> current;
    std::shared_ptr<Dispatcher> dispatcher = current.lock();
    if (!dispatcher) {
        dispatcher.reset(new Dispatcher());
        current = dispatcher;
    }
    return dispatcher;
}

Dispatcher::Dispatcher() : thread_(GetCurrentThreadId()) {
    WNDCLASSEXW windowClass = {sizeof windowClass};
    windowClass.lpfnWndProc = windowProc;
    windowClass.hInstance = standinModule();
    windowClass.lpszClassName = kClassName;
    RegisterClassExW(&windowClass);  // fails harmlessly when already registered
    window_ = CreateWindowExW(0, kClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                              standinModule(), nullptr);
    SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

Dispatcher::~Dispatcher() {
    SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
    if (GetCurrentThreadId() == thread_)
        DestroyWindow(window_);
}

void Dispatcher::post(std::function<void()> task) {
    {
        std::lock_guard<std::mutex> guard(lock_);
        tasks_.push_back(std::move(task));
    }
    PostMessageW(window_, kRunTask, 0, 0);
}

void Dispatcher::postDelayed(unsigned milliseconds, std::function<void()> task) {
    UINT_PTR id = nextTimer_++;
    timers_[id] = std::move(task);
    SetTimer(window_, id, milliseconds, nullptr);
}

void Dispatcher::runOne() {
    if (running_) {
        ++deferred_;
        return;
    }
    std::function<void()> task;
    {
        std::lock_guard<std::mutex> guard(lock_);
        if (tasks_.empty())
            return;
        task = std::move(tasks_.front());
        tasks_.pop_front();
    }
    running_ = true;
    try {
        task();
    } catch (...) {
    }
    running_ = false;
    for (; deferred_ > 0; --deferred_)
        PostMessageW(window_, kRunTask, 0, 0);
}

void Dispatcher::runTimer(UINT_PTR id) {
    KillTimer(window_, id);
    auto found = timers_.find(id);
    if (found == timers_.end())
        return;
    std::function<void()> task = std::move(found->second);
    timers_.erase(found);
    // Through the queue, so a timer never interrupts a running task either.
    post(std::move(task));
}

LRESULT CALLBACK Dispatcher::windowProc(HWND window, UINT message, WPARAM wParam,
                                        LPARAM lParam) noexcept {
    auto* raw = reinterpret_cast<Dispatcher*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    // A task may drop the last reference to the dispatcher; keep it alive until it returns.
    std::shared_ptr<Dispatcher> self = raw != nullptr ? raw->weak_from_this().lock() : nullptr;
    if (self != nullptr && message == kRunTask) {
        self->runOne();
        return 0;
    }
    if (self != nullptr && message == WM_TIMER) {
        self->runTimer(wParam);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace quorvane::standin
