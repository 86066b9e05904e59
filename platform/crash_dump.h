#pragma once

#include <windows.h>

#include <string>

namespace quorvane {

// How many dumps stay in the crashes folder: the newest.
inline constexpr int kCrashDumpsKept = 5;
// The exception code a C++ exception that nothing caught is reported with.
inline constexpr DWORD kUncaughtCppException = 0xE0515601;

// From now on an exception that nothing handles, on any thread, writes a minidump to
// <folder>\crashes\<UTC time>.dmp (with MiniDumpWriteDump of System32's dbghelp.dll, loaded here),
// removes all but the newest kCrashDumpsKept dumps, logs the exception's code and address to the
// run log, and ends the process with the exception code: no error report, no debugger prompt, no
// hang. A C++ exception that escapes everything is handled the same way, with the code
// kUncaughtCppException.
void installCrashHandler(const std::wstring& folder) noexcept;

}  // namespace quorvane
