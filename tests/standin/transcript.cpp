#include "tests/standin/transcript.h"

#include <windows.h>

#include <mutex>

#include "platform/scoped_handle.h"
#include "platform/utf8.h"
#include "tests/standin/standin_environment.h"

namespace quorvane::standin {

namespace {

std::mutex& transcriptLock() {
    static std::mutex lock;
    return lock;
}

std::wstring& pendingLines() {
    static std::wstring lines;
    return lines;
}

std::wstring transcriptPath() {
    wchar_t buffer[MAX_PATH * 2] = {};
    DWORD length = GetEnvironmentVariableW(kTranscriptVariable, buffer, MAX_PATH * 2);
    if (length == 0 || length >= MAX_PATH * 2)
        return {};
    return std::wstring(buffer, length);
}

// Opened per line, so a run killed at any moment keeps every line it recorded.
void appendToFile(const std::wstring& path, const std::string& bytes) {
    ScopedHandle file(CreateFileW(path.c_str(), FILE_APPEND_DATA,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return;
    DWORD written = 0;
    WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

}  // namespace

void record(const std::wstring& line) noexcept {
    try {
        std::lock_guard<std::mutex> guard(transcriptLock());
        pendingLines() += line + L"\n";
        std::wstring path = transcriptPath();
        if (!path.empty())
            appendToFile(path, wideToUtf8(line) + "\n");
    } catch (...) {
        // Out of memory: the line is lost, and the test that reads the transcript notices.
    }
}

std::wstring takeTranscript() {
    std::lock_guard<std::mutex> guard(transcriptLock());
    return std::exchange(pendingLines(), std::wstring());
}

}  // namespace quorvane::standin
