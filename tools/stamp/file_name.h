#pragma once

#include <string>
#include <string_view>

namespace quorvane::stamp {

// A name that Windows accepts as a file and folder name, made from an app's display name:
// characters Windows reserves (< > : " / \ | ? * and control characters) become "_", leading
// spaces and trailing dots and spaces go, a device name (CON, NUL, COM1, ... with or without an
// extension) gets "_" after its stem, and the result is never empty ("App"). It is cut, between
// characters, to at most kMaxFileNameLength UTF-16 units, which keeps a player's paths to the
// package's files well inside what Windows programs open, and to at most kMaxFileNameBytes in
// UTF-8, so that "<name>.exe" and "<name>.zip" fit the 255-byte names of Linux file systems too
// (NTFS counts 255 UTF-16 units, which the first cap already keeps).
std::wstring safeFileName(std::wstring_view name);

inline constexpr size_t kMaxFileNameLength = 100;
inline constexpr size_t kMaxFileNameBytes = 255 - 4;

}  // namespace quorvane::stamp
