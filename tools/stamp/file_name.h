#pragma once

#include <string>
#include <string_view>

namespace quorvane::stamp {

// A name that Windows accepts as a file and folder name, made from an app's display name:
// characters Windows reserves (< > : " / \ | ? * and control characters) become "_", leading
// spaces and trailing dots and spaces go, a device name (CON, NUL, COM1, ... with or without an
// extension) gets "_" after its stem, and the result is at most kMaxFileNameLength UTF-16 units
// and never empty ("App").
std::wstring safeFileName(std::wstring_view name);

inline constexpr size_t kMaxFileNameLength = 100;

}  // namespace quorvane::stamp
