#pragma once

#include <winsock2.h>

#include <mutex>
#include <optional>
#include <string>

namespace quorvane::engine {

// A WebSocket client over a plain Winsock TCP connection to a loopback port, enough for the
// browser's debugging endpoint: text messages only, any size, client frames masked as the protocol
// demands. One thread may receive while others send (sends are serialised).
class WebSocket {
  public:
    WebSocket() = default;
    ~WebSocket();
    WebSocket(const WebSocket&) = delete;
    WebSocket& operator=(const WebSocket&) = delete;

    // Connects to 127.0.0.1:|port| and upgrades GET |path|. False when either step fails.
    bool connect(unsigned short port, const std::string& path);
    // False when the connection is gone.
    bool sendText(const std::string& message);
    // The next whole text message; nothing when the connection closed or failed.
    std::optional<std::string> receive();
    // Ends the connection; a receive blocked in another thread returns.
    void close();

  private:
    bool sendFrame(unsigned char opcode, const std::string& payload);
    bool readExact(char* buffer, size_t length);

    SOCKET socket_ = INVALID_SOCKET;
    std::mutex sendLock_;
    std::string pending_;  // bytes read past the upgrade reply
};

}  // namespace quorvane::engine
