#pragma once

#include <windows.h>

#include <string>

namespace quorvane {

// "error 5: Access is denied": the code and what the system says of it, without the trailing
// period and line break FormatMessageW adds; the code alone when the system has no text for it.
std::string systemErrorText(DWORD error);

}  // namespace quorvane
