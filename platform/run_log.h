#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace quorvane {

// The log of one run, for a player to send to the app's maker: <folder>\quorvane.log, one line per
// event, each starting with its UTC time ("2026-05-01T10:20:30.123Z "). Opening it keeps the
// previous run's log as quorvane.old.log. The file never grows past kRunLogLimit bytes: once a
// line would pass it, the last line says how many later lines (and bytes) were dropped, and is
// rewritten as more are.
//
// Writing it never stops the shell: a log that cannot be opened or written makes every call a
// no-op, and nothing else changes. Lines are written through at once (a crash loses none) without
// touching the heap, so the crash handler can log too. Any thread.

inline constexpr size_t kRunLogLimit = 1024 * 1024;
// A longer line is cut there and ends in "...".
inline constexpr size_t kRunLogLineLimit = 4000;

// Starts this run's log in |folder|, creating the folder itself (not its parents) when missing.
// False when the log cannot be written (then nothing is logged).
bool openRunLog(const std::wstring& folder) noexcept;

// Appends one line of UTF-8 text. Control characters are written as \xHH, so a line stays one
// line whatever a page put into it.
void logLine(std::string_view text) noexcept;

// The same from a crashing thread: never waits long for another thread's line.
void logLineWhileCrashing(std::string_view text) noexcept;

// Ends the log (later lines are not written).
void closeRunLog() noexcept;

// "0x" and eight uppercase hex digits, as HRESULTs and exception codes are written.
std::string hexCode(unsigned long value);

}  // namespace quorvane
