#include "platform/final_path.h"

#include <windows.h>

#include "platform/scoped_handle.h"

namespace quorvane {

std::wstring finalPathOf(const std::wstring& path) {
    // FILE_FLAG_BACKUP_SEMANTICS opens folders too; no access to the content is asked for.
    ScopedHandle handle(CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!handle)
        return {};
    std::wstring final(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            GetFinalPathNameByHandleW(handle.get(), final.data(), static_cast<DWORD>(final.size()),
                                      FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
        if (length == 0)
            return {};
        // Too small: the answer is the size needed, the terminating NUL included.
        if (length >= final.size()) {
            final.resize(length);
            continue;
        }
        final.resize(length);
        break;
    }
    while (!final.empty() && final.back() == L'\\')
        final.pop_back();
    return final;
}

}  // namespace quorvane
