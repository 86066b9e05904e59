#pragma once

#include <string>
#include <string_view>

namespace quorvane::pack {

// The full form of |path| that the file functions accept beyond MAX_PATH ("\\?\C:\a\b",
// "\\?\UNC\server\share\a"), without a trailing backslash except after a drive ("\\?\C:\").
// A relative path is taken from the current folder; "/" counts as "\". A path that already
// starts with "\\?\" is taken as it stands.
std::wstring extendedPath(const std::wstring& path);

// |folder| + "\" + |relative|, with every "/" in |relative| turned into "\".
std::wstring joinPath(std::wstring_view folder, std::wstring_view relative);

// An extended path as people write it, for messages: without "\\?\" ("\\?\UNC\" becomes "\\").
std::string shownPath(std::wstring_view path);

// |relative| ("\" or "/" separators) with "/" separators, in UTF-8: how messages and the zip
// name files.
std::string slashed(std::wstring_view relative);

}  // namespace quorvane::pack
