#include "tools/engine-runtime/devtools.h"

namespace quorvane::engine {

namespace {

constexpr UINT kDrainMessage = WM_APP + 1;
const wchar_t kWindowClass[] = L"QuorvaneEngineDevTools";

HINSTANCE thisModule() {
    HMODULE module = nullptr;
    GetModuleHandleExW(
        GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
        reinterpret_cast<LPCWSTR>(&thisModule), &module);
    return module;
}

}  // namespace

DevTools::~DevTools() {
    close();
}

bool DevTools::open(EventSink sink, std::function<void()> lost) {
    sink_ = std::move(sink);
    lost_ = std::move(lost);
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = &DevTools::windowProc;
    windowClass.hInstance = thisModule();
    windowClass.lpszClassName = kWindowClass;
    RegisterClassW(&windowClass);
    window_ = CreateWindowExW(0, kWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                              thisModule(), nullptr);
    if (window_ == nullptr)
        return false;
    SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    return true;
}

bool DevTools::connect(unsigned short port, const std::string& path) {
    if (!socket_.connect(port, path))
        return false;
    connected_ = true;
    reader_ = std::thread([this] { readLoop(); });
    return true;
}

void DevTools::readLoop() {
    while (std::optional<std::string> text = socket_.receive()) {
        // Replies that a worker waits for are handed over here, so a worker never needs the
        // connecting thread's loop.
        try {
            if (text->compare(0, 6, "{\"id\":") == 0) {
                Json message = Json::parse(*text);
                if (message.contains("id")) {
                    std::shared_ptr<Waiter> waiter;
                    {
                        std::lock_guard<std::mutex> guard(lock_);
                        auto found = waiters_.find(message["id"].get<int>());
                        if (found != waiters_.end()) {
                            waiter = found->second;
                            waiters_.erase(found);
                        }
                    }
                    if (waiter) {
                        std::lock_guard<std::mutex> guard(waiter->lock);
                        if (message.contains("result"))
                            waiter->result = std::move(message["result"]);
                        waiter->finished = true;
                        waiter->done.notify_all();
                        continue;
                    }
                }
            }
        } catch (...) {
        }
        std::string owned = std::move(*text);
        post([this, owned = std::move(owned)] { dispatch(owned); });
    }
    connected_ = false;
    {
        std::lock_guard<std::mutex> guard(lock_);
        for (auto& [id, waiter] : waiters_) {
            std::lock_guard<std::mutex> inner(waiter->lock);
            waiter->finished = true;
            waiter->done.notify_all();
        }
        waiters_.clear();
    }
    // After the events already read. When close() ended the connection, the window that would run
    // this is gone first.
    post([this] {
        if (lost_)
            lost_();
    });
}

void DevTools::post(std::function<void()> task) {
    {
        std::lock_guard<std::mutex> guard(lock_);
        tasks_.push_back(std::move(task));
    }
    PostMessageW(window_, kDrainMessage, 0, 0);
}

void DevTools::drain() {
    for (;;) {
        std::function<void()> task;
        {
            std::lock_guard<std::mutex> guard(lock_);
            if (tasks_.empty())
                return;
            task = std::move(tasks_.front());
            tasks_.pop_front();
        }
        try {
            task();
        } catch (...) {
        }
        // One event per message: the loop stays responsive, as the runtime's own delivery does.
        {
            std::lock_guard<std::mutex> guard(lock_);
            if (!tasks_.empty()) {
                PostMessageW(window_, kDrainMessage, 0, 0);
                return;
            }
        }
    }
}

void DevTools::dispatch(const std::string& text) {
    Json message = Json::parse(text, nullptr, false);
    if (message.is_discarded())
        return;
    if (message.contains("id")) {
        Reply reply;
        {
            std::lock_guard<std::mutex> guard(lock_);
            auto found = replies_.find(message["id"].get<int>());
            if (found == replies_.end())
                return;
            reply = std::move(found->second);
            replies_.erase(found);
        }
        if (!reply)
            return;
        if (message.contains("result"))
            reply(message["result"], {});
        else
            reply(Json(), message.value("error", Json::object()).value("message", "failed"));
        return;
    }
    if (sink_ && message.contains("method")) {
        sink_(message["method"].get<std::string>(), message.value("params", Json::object()),
              message.value("sessionId", ""));
    }
}

void DevTools::call(const std::string& method, const Json& params, const std::string& session,
                    Reply reply) {
    Json message = {{"method", method}, {"params", params}};
    if (!session.empty())
        message["sessionId"] = session;
    {
        std::lock_guard<std::mutex> guard(lock_);
        message["id"] = nextId_;
        replies_[nextId_++] = std::move(reply);
    }
    socket_.sendText(message.dump(-1, ' ', false, Json::error_handler_t::replace));
}

std::optional<Json> DevTools::callSync(const std::string& method, const Json& params,
                                       const std::string& session, DWORD timeoutMs) {
    auto waiter = std::make_shared<Waiter>();
    Json message = {{"method", method}, {"params", params}};
    if (!session.empty())
        message["sessionId"] = session;
    {
        std::lock_guard<std::mutex> guard(lock_);
        if (!connected_)
            return std::nullopt;
        message["id"] = nextId_;
        waiters_[nextId_++] = waiter;
    }
    socket_.sendText(message.dump(-1, ' ', false, Json::error_handler_t::replace));
    std::unique_lock<std::mutex> guard(waiter->lock);
    waiter->done.wait_for(guard, std::chrono::milliseconds(timeoutMs),
                          [&] { return waiter->finished; });
    return waiter->result;
}

void DevTools::close() {
    socket_.close();
    if (reader_.joinable())
        reader_.join();
    if (window_ != nullptr) {
        SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
        DestroyWindow(window_);
        window_ = nullptr;
    }
}

LRESULT CALLBACK DevTools::windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kDrainMessage) {
        auto* self = reinterpret_cast<DevTools*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (self != nullptr)
            self->drain();
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace quorvane::engine
