#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace quorvane::testing {

// What the server answers to every request.
struct ScriptedResponse {
    std::string statusLine = "HTTP/1.1 200 OK";
    std::string contentType = "application/octet-stream";
    // Further header lines, without line ends ("Location: /elsewhere").
    std::vector<std::string> headers;
    std::string body;
    // Without a Content-Length the body ends when the server closes the connection.
    bool sendContentLength = true;
    // The body is sent in pieces of this many bytes (0: all at once) with a pause before each
    // piece after the first.
    size_t chunkSize = 0;
    DWORD chunkPauseMs = 0;
};

// One path the server answers; an empty path answers every request.
struct ScriptedRoute {
    std::string path;  // the request target, query included ("/fwlink/p/?LinkId=1")
    ScriptedResponse response;
};

// An HTTP/1.1 server on 127.0.0.1 at an ephemeral port, run on its own thread, answering each
// request with the first route that matches its target (404 when none does) and then closing
// the connection. It never waits for long:
// every socket wait is short, and the server stops by itself after |lifetimeMs| even if the test
// forgets it (the destructor stops it at once).
class LoopbackHttpServer {
  public:
    explicit LoopbackHttpServer(ScriptedResponse response, DWORD lifetimeMs = 60000);
    explicit LoopbackHttpServer(std::vector<ScriptedRoute> routes, DWORD lifetimeMs = 60000);
    ~LoopbackHttpServer();
    LoopbackHttpServer(const LoopbackHttpServer&) = delete;
    LoopbackHttpServer& operator=(const LoopbackHttpServer&) = delete;

    uint16_t port() const { return port_; }
    // "http://127.0.0.1:<port>" + path.
    std::wstring url(const std::wstring& path) const;

    // The request lines received so far ("GET /x HTTP/1.1").
    std::vector<std::string> requestLines() const;
    // GetTickCount64 when the last body byte of the latest response was sent; 0 before that.
    ULONGLONG lastBodySentAt() const { return lastBodySentAt_; }

  private:
    void serve(DWORD lifetimeMs);
    void answer(uintptr_t connection);
    const ScriptedResponse& responseFor(const std::string& requestLine) const;

    std::vector<ScriptedRoute> routes_;
    ScriptedResponse notFound_;
    uintptr_t listener_ = ~uintptr_t{0};
    uint16_t port_ = 0;
    std::atomic<bool> stopping_{false};
    std::atomic<ULONGLONG> lastBodySentAt_{0};
    mutable std::mutex mutex_;
    std::vector<std::string> requestLines_;
    std::thread thread_;
};

// A loopback port on which nothing listens: connecting to it is refused.
uint16_t closedLoopbackPort();

}  // namespace quorvane::testing
