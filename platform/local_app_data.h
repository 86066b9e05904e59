#pragma once

#include <windows.h>
#include <shlobj.h>

#include <string>

namespace quorvane {

// The per-user local application data folder, without a trailing backslash. Resolved once and
// cached. Empty when the platform cannot resolve it (the caller reports that).
std::wstring localAppDataPath();

// A known folder of the user (FOLDERID_SavedGames, FOLDERID_Documents, ...), without a trailing
// backslash; empty when the platform cannot resolve it. The folder may not exist yet (a fresh
// account has no Saved Games until something is saved there): whoever writes creates it.
std::wstring knownFolderPath(REFKNOWNFOLDERID id);

}  // namespace quorvane
