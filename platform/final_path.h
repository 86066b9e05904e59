#pragma once

#include <string>

namespace quorvane {

// Where the file or folder at |path| really is: its final path as the file system gives it
// (links, junctions, 8.3 short names, "..", letter case resolved; "\\?\C:\..." form), without a
// trailing backslash. Two spellings of one file give the same text. Empty when it cannot be
// opened.
std::wstring finalPathOf(const std::wstring& path);

}  // namespace quorvane
