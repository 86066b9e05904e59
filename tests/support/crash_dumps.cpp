#include "tests/support/crash_dumps.h"

#include <windows.h>

#include <algorithm>
#include <cstring>

namespace quorvane::testing {

std::vector<std::wstring> crashDumpsIn(const std::wstring& folder) {
    std::vector<std::wstring> dumps;
    WIN32_FIND_DATAW entry;
    HANDLE search = FindFirstFileW((folder + L"\\crashes\\*.dmp").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE)
        return dumps;
    do {
        dumps.push_back(entry.cFileName);
    } while (FindNextFileW(search, &entry));
    FindClose(search);
    std::sort(dumps.begin(), dumps.end());
    return dumps;
}

uint32_t dumpedExceptionCode(const std::string& dump) {
    auto u32 = [&](size_t at) -> uint32_t {
        uint32_t value = 0;
        if (at + 4 <= dump.size())
            std::memcpy(&value, dump.data() + at, 4);
        return value;
    };
    if (dump.compare(0, 4, "MDMP") != 0)
        return 0;
    const uint32_t streams = u32(8);
    const uint32_t directory = u32(12);
    for (uint32_t i = 0; i < streams; ++i) {
        const size_t entry = directory + i * 12;
        // ExceptionStream (6): thread id, alignment, then the record, its code first.
        if (u32(entry) == 6)
            return u32(u32(entry + 8) + 8);
    }
    return 0;
}

}  // namespace quorvane::testing
