#pragma once

#include <windows.h>
#include <shlobj.h>

#include <string>

namespace quorvane {

// The per-user local application data folder, without a trailing backslash. Resolved once and
// cached. Empty when the platform cannot resolve it (the caller reports that).
std::wstring localAppDataPath();

// A known folder of the user (FOLDERID_SavedGames, FOLDERID_Documents, ...), without a trailing
// backslash, created when it does not exist yet; empty when the platform cannot resolve it.
std::wstring knownFolderPath(REFKNOWNFOLDERID id);

}  // namespace quorvane
