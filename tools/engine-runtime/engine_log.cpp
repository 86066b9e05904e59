#include "tools/engine-runtime/engine_log.h"

#include <windows.h>

#include <mutex>

#include "platform/utf8.h"

namespace quorvane::engine {

namespace {
const ULONGLONG startTick = GetTickCount64();
std::mutex logLock;
}  // namespace

std::string environmentVariable(const wchar_t* name) {
    wchar_t buffer[4096];
    DWORD length = GetEnvironmentVariableW(name, buffer, 4096);
    if (length == 0 || length >= 4096)
        return {};
    return wideToUtf8(std::wstring_view(buffer, length));
}

std::string readWholeFile(const std::wstring& path) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return {};
    std::string data;
    char buffer[65536];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0)
        data.append(buffer, got);
    CloseHandle(file);
    return data;
}

std::wstring windowsPath(const std::string& path) {
    std::wstring wide = utf8ToWide(path);
    if (!wide.empty() && wide[0] == L'/') {
        for (wchar_t& c : wide) {
            if (c == L'/')
                c = L'\\';
        }
        return L"Z:" + wide;
    }
    return wide;
}

void logLine(const std::string& line) {
    static const std::wstring path = windowsPath(environmentVariable(L"QV_ENGINE_LOG"));
    if (path.empty())
        return;
    // One line per event, whatever a page puts in its texts: a console error of several lines
    // must not read as further events (a step's outcome, a request) to whoever reads the log.
    std::string text = std::to_string(GetTickCount64() - startTick) + " ";
    for (const char c : line) {
        if (c == '\n')
            text += "\\n";
        else if (c == '\r')
            text += "\\r";
        else
            text += c;
    }
    text += '\n';
    std::lock_guard<std::mutex> guard(logLock);
    HANDLE file = CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    DWORD written = 0;
    WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
}

}  // namespace quorvane::engine
