#pragma once

#include <windows.h>

#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include <nlohmann/json.hpp>

#include "tools/engine-runtime/websocket.h"

namespace quorvane::engine {

using Json = nlohmann::json;

// One connection to the browser's debugging endpoint. Commands may be sent from any thread.
// Replies to call() and every event are delivered on the thread that connected, from its message
// loop (a message-only window receives them), one at a time, as the runtime delivers its events.
// callSync() blocks its thread until its reply arrives, which the reader hands over directly: on
// the connecting thread too, though events and call() replies then wait.
class DevTools {
  public:
    // |result| is the command's result, or null when it failed (then |error| says why).
    using Reply = std::function<void(const Json& result, const std::string& error)>;
    using EventSink = std::function<void(const std::string& method, const Json& params,
                                         const std::string& session)>;

    DevTools() = default;
    ~DevTools();
    DevTools(const DevTools&) = delete;
    DevTools& operator=(const DevTools&) = delete;

    // Makes the calling thread the one that receives events (to |sink|) and replies; |lost| runs
    // there when the connection has ended, whoever ended it.
    bool open(EventSink sink, std::function<void()> lost = {});
    // Connects to ws://127.0.0.1:|port||path| and starts reading; from any thread, after open.
    bool connect(unsigned short port, const std::string& path);
    void call(const std::string& method, const Json& params, const std::string& session = {},
              Reply reply = {});
    // The result, or nothing when the command failed or the connection ended within |timeoutMs|.
    std::optional<Json> callSync(const std::string& method, const Json& params,
                                 const std::string& session = {}, DWORD timeoutMs = 20000);
    // Runs |task| on the connecting thread from its message loop.
    void post(std::function<void()> task);
    bool connected() const { return connected_; }
    void close();

  private:
    struct Waiter {
        std::mutex lock;
        std::condition_variable done;
        bool finished = false;
        std::optional<Json> result;
    };
    static LRESULT CALLBACK windowProc(HWND, UINT, WPARAM, LPARAM);
    void readLoop();
    void drain();
    void dispatch(const std::string& text);

    WebSocket socket_;
    HWND window_ = nullptr;
    EventSink sink_;
    std::function<void()> lost_;
    std::thread reader_;
    std::atomic<bool> connected_{false};
    std::mutex lock_;
    int nextId_ = 1;
    std::map<int, Reply> replies_;
    std::map<int, std::shared_ptr<Waiter>> waiters_;
    std::deque<std::function<void()>> tasks_;
};

}  // namespace quorvane::engine
