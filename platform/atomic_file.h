#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace quorvane {

// Files a player owns (saves, the remembered window) are replaced whole or not at all: the bytes go
// to a temporary file in the same folder, are flushed to the disk, and the temporary file then
// takes the name in one step. A process killed at any moment leaves the old content or the new
// under the name, never a mix or an empty file; at most a temporary file is left behind, whose
// name (see isTemporaryFileName) nothing mistakes for the real one.

// Replaces the content of |path| (a file in an existing folder) with |bytes|. Returns 0, or the
// system's error code of the step that failed (the temporary file is then removed again).
DWORD replaceFileAtomically(const std::wstring& path, std::string_view bytes);

// Whether |name| (a name within a folder, no path) is one of the temporary files made above:
// ".<final name>.<unique part>.quorvane-tmp".
bool isTemporaryFileName(std::wstring_view name);

// Deletes the temporary files a killed process left in |folder| (no trailing backslash); a file
// that cannot be deleted (another copy of the program writing it right now) is left alone.
void removeTemporaryFiles(const std::wstring& folder);

}  // namespace quorvane
