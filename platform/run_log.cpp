#include "platform/run_log.h"

#include <windows.h>

#include <new>

#include "platform/fixed_text.h"

namespace quorvane {

namespace {

// Room kept below the limit for the line that says what was dropped; it only ever grows by the
// digits of its counts.
constexpr size_t kDroppedLineRoom = 128;
constexpr size_t kTimeLength = 25;  // "2026-05-01T10:20:30.123Z "

// Everything here is plain data, so a crashing thread can still use it: no heap, no constructors
// that must have run.
struct RunLog {
    SRWLOCK lock = SRWLOCK_INIT;
    HANDLE file = INVALID_HANDLE_VALUE;
    ULONGLONG size = 0;
    ULONGLONG droppedLines = 0;
    ULONGLONG droppedBytes = 0;
};

RunLog runLog;

using Line = FixedText<kTimeLength + kRunLogLineLimit + 8>;

void appendTimeNow(Line& line) {
    SYSTEMTIME now;
    GetSystemTime(&now);
    line.appendUtcTime(now).append(" ");
}

// |message| with control characters escaped, cut (at a character's start) when too long.
void appendMessage(Line& line, std::string_view message) {
    const size_t start = line.size();
    const size_t end = start + kRunLogLineLimit;
    for (char c : message) {
        const unsigned char byte = static_cast<unsigned char>(c);
        const bool control = byte < 0x20 || byte == 0x7F;
        if (line.size() + (control ? 4 : 1) > end) {
            size_t cut = line.size();
            while (cut > start && (static_cast<unsigned char>(line.data()[cut - 1]) & 0xC0) == 0x80)
                --cut;
            if (cut > start && static_cast<unsigned char>(line.data()[cut - 1]) >= 0xC0)
                --cut;
            line.truncate(cut);
            line.append("...");
            return;
        }
        if (control) {
            static const char hex[] = "0123456789ABCDEF";
            const char escaped[4] = {'\\', 'x', hex[byte >> 4], hex[byte & 15]};
            line.append(std::string_view(escaped, 4));
        } else {
            line.append(std::string_view(&c, 1));
        }
    }
}

bool writeAt(ULONGLONG offset, const char* data, size_t length) {
    OVERLAPPED at = {};
    at.Offset = static_cast<DWORD>(offset);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    DWORD written = 0;
    return WriteFile(runLog.file, data, static_cast<DWORD>(length), &written, &at) &&
           written == length;
}

// With the lock held (or given up on by a crashing thread).
void writeLine(Line& line) {
    if (runLog.file == INVALID_HANDLE_VALUE)
        return;
    line.append("\r\n");
    if (runLog.droppedLines == 0 && runLog.size + line.size() <= kRunLogLimit - kDroppedLineRoom) {
        if (writeAt(runLog.size, line.data(), line.size()))
            runLog.size += line.size();
        return;
    }
    // Full: the line after the last one kept says what was dropped, rewritten in place.
    ++runLog.droppedLines;
    runLog.droppedBytes += line.size();
    Line dropped;
    appendTimeNow(dropped);
    dropped.append("log limit of 1 MiB reached: ").appendDecimal(runLog.droppedLines);
    dropped.append(runLog.droppedLines == 1 ? " later line (" : " later lines (");
    dropped.appendDecimal(runLog.droppedBytes).append(" bytes) dropped\r\n");
    writeAt(runLog.size, dropped.data(), dropped.size());
}

void logWith(std::string_view text, bool crashing) {
    Line line;
    appendTimeNow(line);
    appendMessage(line, text);
    if (!crashing) {
        AcquireSRWLockExclusive(&runLog.lock);
        writeLine(line);
        ReleaseSRWLockExclusive(&runLog.lock);
        return;
    }
    // The lock may be held by this very thread (a crash inside a write) or by one that will never
    // run again: wait a little, then write regardless.
    for (int i = 0; i < 50; ++i) {
        if (TryAcquireSRWLockExclusive(&runLog.lock)) {
            writeLine(line);
            ReleaseSRWLockExclusive(&runLog.lock);
            return;
        }
        Sleep(10);
    }
    writeLine(line);
}

}  // namespace

bool openRunLog(const std::wstring& folder) noexcept {
    closeRunLog();
    if (folder.empty())
        return false;
    try {
        CreateDirectoryW(folder.c_str(), nullptr);
        const std::wstring path = folder + L"\\quorvane.log";
        const DWORD attributes = GetFileAttributesW(path.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
            // Fails when the old log is held open by a program that does not share it: this
            // run's log then replaces the previous one.
            MoveFileExW(path.c_str(), (folder + L"\\quorvane.old.log").c_str(),
                        MOVEFILE_REPLACE_EXISTING);
        }
        // Others may read it while the run goes on, and the next run may rename it.
        HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE,
                                  nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE)
            return false;
        AcquireSRWLockExclusive(&runLog.lock);
        runLog.file = file;
        ReleaseSRWLockExclusive(&runLog.lock);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

void logLine(std::string_view text) noexcept {
    logWith(text, false);
}

void logLineWhileCrashing(std::string_view text) noexcept {
    logWith(text, true);
}

void closeRunLog() noexcept {
    AcquireSRWLockExclusive(&runLog.lock);
    if (runLog.file != INVALID_HANDLE_VALUE)
        CloseHandle(runLog.file);
    runLog.file = INVALID_HANDLE_VALUE;
    runLog.size = 0;
    runLog.droppedLines = 0;
    runLog.droppedBytes = 0;
    ReleaseSRWLockExclusive(&runLog.lock);
}

std::string hexCode(unsigned long value) {
    FixedText<16> text;
    text.appendHex(value, 8);
    return std::string(text.view());
}

}  // namespace quorvane
