#pragma once

#include <string>
#include <string_view>

namespace quorvane {

// What the log may say about a URI a page asked for: its scheme and host only ("https://example.com",
// "mailto:", "file://"), never its path, query, fragment, port, user name or password, which may
// carry what the player typed. The scheme is lowercased; "(invalid)" when the text has none.
std::string schemeAndHost(std::wstring_view uri);

}  // namespace quorvane
