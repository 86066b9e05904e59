#include "tools/engine-runtime/websocket.h"

#include <ws2tcpip.h>

#include <cstring>
#include <random>
#include <vector>

namespace quorvane::engine {

namespace {

struct WinsockStartup {
    WinsockStartup() {
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data);
    }
};

SOCKET connectLoopback(unsigned short port) {
    static WinsockStartup startup;
    SOCKET s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s == INVALID_SOCKET)
        return s;
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        closesocket(s);
        return INVALID_SOCKET;
    }
    BOOL noDelay = TRUE;
    setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&noDelay),
               sizeof noDelay);
    return s;
}

bool sendAll(SOCKET s, const char* data, size_t length) {
    while (length > 0) {
        int chunk = static_cast<int>(length > 1 << 20 ? 1 << 20 : length);
        int sent = ::send(s, data, chunk, 0);
        if (sent <= 0)
            return false;
        data += sent;
        length -= static_cast<size_t>(sent);
    }
    return true;
}

// Reads an HTTP reply's head; |rest| gets the bytes after it.
std::optional<std::string> readHead(SOCKET s, std::string& rest) {
    std::string data;
    char buffer[4096];
    for (;;) {
        size_t end = data.find("\r\n\r\n");
        if (end != std::string::npos) {
            rest = data.substr(end + 4);
            return data.substr(0, end + 2);
        }
        int got = ::recv(s, buffer, sizeof buffer, 0);
        if (got <= 0 || data.size() > 65536)
            return std::nullopt;
        data.append(buffer, static_cast<size_t>(got));
    }
}

}  // namespace

WebSocket::~WebSocket() {
    close();
}

bool WebSocket::connect(unsigned short port, const std::string& path) {
    socket_ = connectLoopback(port);
    if (socket_ == INVALID_SOCKET)
        return false;
    const std::string request = "GET " + path +
                                " HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(port) +
                                "\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n"
                                "Sec-WebSocket-Key: cXVvcnZhbmUtZW5naW5lIQ==\r\n"
                                "Sec-WebSocket-Version: 13\r\n\r\n";
    if (!sendAll(socket_, request.data(), request.size()))
        return false;
    std::optional<std::string> head = readHead(socket_, pending_);
    return head && head->rfind("HTTP/1.1 101", 0) == 0;
}

bool WebSocket::sendFrame(unsigned char opcode, const std::string& payload) {
    std::string frame;
    frame.reserve(payload.size() + 14);
    frame.push_back(static_cast<char>(0x80 | opcode));
    const size_t length = payload.size();
    if (length < 126) {
        frame.push_back(static_cast<char>(0x80 | length));
    } else if (length < 65536) {
        frame.push_back(static_cast<char>(0x80 | 126));
        frame.push_back(static_cast<char>(length >> 8));
        frame.push_back(static_cast<char>(length & 0xFF));
    } else {
        frame.push_back(static_cast<char>(0x80 | 127));
        for (int shift = 56; shift >= 0; shift -= 8)
            frame.push_back(
                static_cast<char>((static_cast<unsigned long long>(length) >> shift) & 0xFF));
    }
    static thread_local std::mt19937 random(std::random_device{}());
    unsigned char mask[4];
    for (unsigned char& byte : mask)
        byte = static_cast<unsigned char>(random());
    frame.append(reinterpret_cast<const char*>(mask), 4);
    const size_t start = frame.size();
    frame.append(payload);
    for (size_t i = 0; i < length; ++i)
        frame[start + i] = static_cast<char>(frame[start + i] ^ mask[i & 3]);
    std::lock_guard<std::mutex> lock(sendLock_);
    return socket_ != INVALID_SOCKET && sendAll(socket_, frame.data(), frame.size());
}

bool WebSocket::sendText(const std::string& message) {
    return sendFrame(0x1, message);
}

bool WebSocket::readExact(char* buffer, size_t length) {
    size_t fromPending = pending_.size() < length ? pending_.size() : length;
    if (fromPending > 0) {
        std::memcpy(buffer, pending_.data(), fromPending);
        pending_.erase(0, fromPending);
        buffer += fromPending;
        length -= fromPending;
    }
    while (length > 0) {
        int chunk = static_cast<int>(length > 1 << 20 ? 1 << 20 : length);
        int got = ::recv(socket_, buffer, chunk, 0);
        if (got <= 0)
            return false;
        buffer += got;
        length -= static_cast<size_t>(got);
    }
    return true;
}

std::optional<std::string> WebSocket::receive() {
    std::string message;
    for (;;) {
        unsigned char head[2];
        if (socket_ == INVALID_SOCKET || !readExact(reinterpret_cast<char*>(head), 2))
            return std::nullopt;
        const bool final = (head[0] & 0x80) != 0;
        const unsigned char opcode = head[0] & 0x0F;
        unsigned long long length = head[1] & 0x7F;
        if (length >= 126) {
            unsigned char extended[8];
            const size_t size = length == 126 ? 2 : 8;
            if (!readExact(reinterpret_cast<char*>(extended), size))
                return std::nullopt;
            length = 0;
            for (size_t i = 0; i < size; ++i)
                length = (length << 8) | extended[i];
        }
        // Server frames are never masked.
        std::string payload(static_cast<size_t>(length), '\0');
        if (length > 0 && !readExact(payload.data(), payload.size()))
            return std::nullopt;
        if (opcode == 0x8)
            return std::nullopt;
        if (opcode == 0x9) {
            sendFrame(0xA, payload);
            continue;
        }
        if (opcode == 0xA)
            continue;
        message += payload;
        if (final)
            return message;
    }
}

void WebSocket::close() {
    SOCKET s = socket_;
    if (s == INVALID_SOCKET)
        return;
    shutdown(s, SD_BOTH);
    std::lock_guard<std::mutex> lock(sendLock_);
    closesocket(s);
    socket_ = INVALID_SOCKET;
}

}  // namespace quorvane::engine
