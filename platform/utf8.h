#pragma once

#include <string>
#include <string_view>

namespace quorvane {

// UTF-8 to UTF-16. Malformed sequences become U+FFFD rather than failing; embedded NULs convert
// like any other character. A text that yields no characters gives an empty string.
std::wstring utf8ToWide(std::string_view text);

// UTF-16 to UTF-8, the same way round (unpaired surrogates become U+FFFD).
std::string wideToUtf8(std::wstring_view text);

}  // namespace quorvane
