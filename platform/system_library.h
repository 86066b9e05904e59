#pragma once

#include <windows.h>

namespace quorvane {

// Windows looks for a DLL in the executable's own folder before System32 unless it is a "known
// DLL", so a file named like a system library placed beside the executable (a downloads folder)
// would run inside the app. Libraries beyond the known ones are therefore never imported; they
// are loaded from System32 by these helpers.

// Makes System32 the only folder searched for DLLs loaded by name from now on, by our code and by
// the system's own (COM, the shell). Called first thing at start-up.
void restrictDllSearchToSystem32() noexcept;

// The address of |function| in the system library |library| loaded from System32 only; null when
// either cannot be found. The library stays loaded for the rest of the run.
void* systemFunctionAddress(const wchar_t* library, const char* function) noexcept;

template <typename Function>
Function systemFunction(const wchar_t* library, const char* function) noexcept {
    return reinterpret_cast<Function>(systemFunctionAddress(library, function));
}

}  // namespace quorvane
