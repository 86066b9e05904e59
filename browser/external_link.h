#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace quorvane {

// Whether a link that asked for a new window may be handed to the user's default program: only
// http:, https: and mailto: (scheme compared case-insensitively). Anything else (file: and UNC
// paths, ms-msdt:, search-ms:, ms-settings:, javascript:, ...) could start local programs or
// leak credentials, so it is dropped.
bool isExternalLinkAllowed(std::wstring_view uri);

// Hands an allowed link to its default program (ShellExecuteW "open").
void openExternalLink(const std::wstring& uri);

// Test seam: replaces what openExternalLink does, so tests observe the hand-over without launching
// anything. An empty function restores the real one.
void setExternalLinkOpenerForTesting(std::function<void(const std::wstring&)> opener);

}  // namespace quorvane
