#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>

namespace quorvane {

// The size of the file at |filePath| whose attributes are |attributes| (as GetFileAttributesExW
// read them), following links. For an ordinary file that is the size the attributes carry. On
// Windows the attributes of a symbolic link describe the link itself (size 0) while opening it
// reaches the target, so for a reparse point the size is read from an opened handle instead.
// None when a linked target cannot be opened (a dangling link) or is a folder.
std::optional<int64_t> servedFileSize(const std::wstring& filePath,
                                      const WIN32_FILE_ATTRIBUTE_DATA& attributes);

}  // namespace quorvane
