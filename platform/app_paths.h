#pragma once

#include <windows.h>

#include <string>

namespace quorvane {

// Canonical full path of the running executable, read whole however long it is; cached.
const std::wstring& executablePath();

// The executable's folder, ending in a backslash (the whole path if it holds no backslash).
std::wstring appFolder();

// The full path of |module| (null: the executable), however long, starting with a buffer of
// |initialUnits| and growing it until the path fits. Empty when the platform cannot say.
std::wstring modulePath(HMODULE module, size_t initialUnits);

// The folder part of |path| up to and including its last backslash; the whole path if none.
std::wstring folderOf(const std::wstring& path);

}  // namespace quorvane
