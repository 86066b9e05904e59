#include "tests/support/loopback_http_server.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <algorithm>
#include <stdexcept>

namespace quorvane::testing {

namespace {

// Winsock stays started for the life of the test process.
void startWinsock() {
    static const bool started = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    if (!started)
        throw std::runtime_error("WSAStartup failed");
}

SOCKET loopbackSocket(uint16_t* port) {
    startWinsock();
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s == INVALID_SOCKET)
        throw std::runtime_error("socket failed");
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    int length = sizeof address;
    if (bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        getsockname(s, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        closesocket(s);
        throw std::runtime_error("bind failed");
    }
    *port = ntohs(address.sin_port);
    return s;
}

// Waits up to |ms| for |s| to become readable.
bool readable(SOCKET s, long ms) {
    fd_set set;
    FD_ZERO(&set);
    FD_SET(s, &set);
    timeval timeout{ms / 1000, (ms % 1000) * 1000};
    return select(0, &set, nullptr, nullptr, &timeout) == 1;
}

bool sendAll(SOCKET s, const char* data, size_t size) {
    while (size > 0) {
        int sent = send(s, data, static_cast<int>(std::min<size_t>(size, 1 << 20)), 0);
        if (sent <= 0)
            return false;
        data += sent;
        size -= static_cast<size_t>(sent);
    }
    return true;
}

}  // namespace

LoopbackHttpServer::LoopbackHttpServer(ScriptedResponse response, DWORD lifetimeMs)
    : LoopbackHttpServer(std::vector<ScriptedRoute>{{"", std::move(response)}}, lifetimeMs) {}

LoopbackHttpServer::LoopbackHttpServer(std::vector<ScriptedRoute> routes, DWORD lifetimeMs)
    : routes_(std::move(routes)) {
    notFound_.statusLine = "HTTP/1.1 404 Not Found";
    notFound_.contentType = "text/plain";
    notFound_.body = "no such route";
    SOCKET s = loopbackSocket(&port_);
    if (listen(s, SOMAXCONN) != 0) {
        closesocket(s);
        throw std::runtime_error("listen failed");
    }
    listener_ = s;
    thread_ = std::thread([this, lifetimeMs] { serve(lifetimeMs); });
}

LoopbackHttpServer::~LoopbackHttpServer() {
    stopping_ = true;
    if (thread_.joinable())
        thread_.join();
    closesocket(static_cast<SOCKET>(listener_));
}

std::wstring LoopbackHttpServer::url(const std::wstring& path) const {
    return L"http://127.0.0.1:" + std::to_wstring(port_) + path;
}

std::vector<std::string> LoopbackHttpServer::requestLines() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return requestLines_;
}

void LoopbackHttpServer::serve(DWORD lifetimeMs) {
    ULONGLONG deadline = GetTickCount64() + lifetimeMs;
    SOCKET listener = static_cast<SOCKET>(listener_);
    while (!stopping_ && GetTickCount64() < deadline) {
        if (!readable(listener, 50))
            continue;
        SOCKET connection = accept(listener, nullptr, nullptr);
        if (connection == INVALID_SOCKET)
            continue;
        answer(connection);
        shutdown(connection, SD_SEND);
        // Let the client read to the end before the socket goes (a reset could cut the body).
        char drain[512];
        while (readable(connection, 200) && recv(connection, drain, sizeof drain, 0) > 0) {
        }
        closesocket(connection);
    }
}

const ScriptedResponse& LoopbackHttpServer::responseFor(const std::string& requestLine) const {
    // "GET <target> HTTP/1.1"
    size_t start = requestLine.find(' ') + 1;
    size_t end = requestLine.rfind(' ');
    std::string target = end > start ? requestLine.substr(start, end - start) : std::string();
    for (const ScriptedRoute& route : routes_) {
        if (route.path.empty() || route.path == target)
            return route.response;
    }
    return notFound_;
}

void LoopbackHttpServer::answer(uintptr_t handle) {
    SOCKET connection = static_cast<SOCKET>(handle);
    // Read the request head; the requests made here carry no body.
    std::string request;
    ULONGLONG deadline = GetTickCount64() + 5000;
    while (request.find("\r\n\r\n") == std::string::npos) {
        if (stopping_ || GetTickCount64() > deadline || request.size() > 65536)
            return;
        if (!readable(connection, 50))
            continue;
        char buffer[4096];
        int got = recv(connection, buffer, sizeof buffer, 0);
        if (got <= 0)
            return;
        request.append(buffer, static_cast<size_t>(got));
    }
    std::string requestLine = request.substr(0, request.find("\r\n"));
    {
        std::lock_guard<std::mutex> lock(mutex_);
        requestLines_.push_back(requestLine);
    }
    const ScriptedResponse& response = responseFor(requestLine);

    std::string head = response.statusLine + "\r\n";
    head += "Content-Type: " + response.contentType + "\r\n";
    for (const std::string& header : response.headers)
        head += header + "\r\n";
    if (response.sendContentLength) {
        head += "Content-Length: " + std::to_string(response.body.size()) + "\r\n";
    }
    head += "Cache-Control: no-store\r\nConnection: close\r\n\r\n";
    if (!sendAll(connection, head.data(), head.size()))
        return;

    const std::string& body = response.body;
    size_t piece = response.chunkSize == 0 ? body.size() : response.chunkSize;
    for (size_t offset = 0; offset < body.size(); offset += piece) {
        if (offset > 0 && response.chunkPauseMs > 0)
            Sleep(response.chunkPauseMs);
        if (stopping_)
            return;
        if (!sendAll(connection, body.data() + offset, std::min(piece, body.size() - offset))) {
            return;
        }
    }
    lastBodySentAt_ = GetTickCount64();
}

uint16_t closedLoopbackPort() {
    uint16_t port = 0;
    SOCKET s = loopbackSocket(&port);
    closesocket(s);
    return port;
}

}  // namespace quorvane::testing
