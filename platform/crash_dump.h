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

using CrashDumpName = wchar_t[40];

// Creates a new dump file in |folder| for writing, named for |time| (UTC):
// "20260501T104012.771Z.dmp", or "...771Z-1.dmp" up to "-9" when a dump of that name is there
// already (two crashes within a millisecond); an existing file is never replaced. |name| gets the
// file's name. INVALID_HANDLE_VALUE and an empty name when none could be created. Allocates
// nothing, so a crashing process can use it.
HANDLE createCrashDumpFile(const wchar_t* folder, const SYSTEMTIME& time,
                           CrashDumpName& name) noexcept;

}  // namespace quorvane
