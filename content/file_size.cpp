#include "content/file_size.h"

#include "platform/scoped_handle.h"

namespace quorvane {

std::optional<int64_t> servedFileSize(const std::wstring& filePath,
                                      const WIN32_FILE_ATTRIBUTE_DATA& attributes) {
    if ((attributes.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
        return static_cast<int64_t>((static_cast<uint64_t>(attributes.nFileSizeHigh) << 32) |
                                    attributes.nFileSizeLow);
    }
    // Attributes only: works whatever sharing others hold; backup semantics lets a link to a
    // folder open too, so it can be told apart and refused.
    ScopedHandle file(CreateFileW(filePath.c_str(), FILE_READ_ATTRIBUTES,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!file)
        return std::nullopt;
    BY_HANDLE_FILE_INFORMATION information{};
    if (!GetFileInformationByHandle(file.get(), &information) ||
        (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return std::nullopt;
    }
    return static_cast<int64_t>((static_cast<uint64_t>(information.nFileSizeHigh) << 32) |
                                information.nFileSizeLow);
}

}  // namespace quorvane
