#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quorvane::testing {

// Writes |bytes| to |path|, creating or truncating the file; creates missing parent folders.
void writeFile(const std::wstring& path, std::string_view bytes);

// The whole content of |path|; throws when it cannot be read.
std::string readFile(const std::wstring& path);

bool fileExists(const std::wstring& path);

// The names in |folder| (files and folders, "." and ".." left out), sorted; empty when there is no
// such folder.
std::vector<std::wstring> namesIn(const std::wstring& folder);

// The lines of |text| without their line feeds (a last line without one counts too).
std::vector<std::string> splitLines(const std::string& text);

// The file: URL of the full path |path| ("file:///Z:/...").
std::wstring fileUrl(const std::wstring& path);

// UTF-16 to UTF-8, for readable assertion messages.
std::string narrow(const std::wstring& text);

}  // namespace quorvane::testing
