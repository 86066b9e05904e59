#include "tools/stamp/whole_file.h"

#include "platform/scoped_handle.h"

namespace quorvane::stamp {

DWORD readWholeFile(const std::wstring& path, std::string& bytes) {
    ScopedHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return GetLastError();
    bytes.clear();
    char buffer[65536];
    DWORD got = 0;
    while (ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr) && got > 0)
        bytes.append(buffer, got);
    return ERROR_SUCCESS;
}

}  // namespace quorvane::stamp
