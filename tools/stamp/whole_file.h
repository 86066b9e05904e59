#pragma once

#include <windows.h>

#include <string>

namespace quorvane::stamp {

// Reads a whole file into |bytes|. Returns ERROR_SUCCESS, or the platform's error code when the
// file cannot be opened.
DWORD readWholeFile(const std::wstring& path, std::string& bytes);

}  // namespace quorvane::stamp
