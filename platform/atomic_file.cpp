#include "platform/atomic_file.h"

#include <algorithm>
#include <atomic>

#include "platform/scoped_find.h"
#include "platform/scoped_handle.h"

namespace quorvane {

namespace {

constexpr std::wstring_view kTemporarySuffix = L".quorvane-tmp";

std::wstring temporaryPathFor(const std::wstring& path) {
    static std::atomic<unsigned> counter{0};
    const size_t slash = path.find_last_of(L"\\/");
    const size_t nameStart = slash == std::wstring::npos ? 0 : slash + 1;
    // The process id and a counter keep two writers (two threads, two copies of the game) apart.
    return path.substr(0, nameStart) + L"." + path.substr(nameStart) + L"." +
           std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++counter) +
           std::wstring(kTemporarySuffix);
}

DWORD writeAllAndFlush(HANDLE file, std::string_view bytes) {
    while (!bytes.empty()) {
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size(), 1u << 24));
        DWORD written = 0;
        if (!WriteFile(file, bytes.data(), chunk, &written, nullptr))
            return GetLastError();
        if (written == 0)
            return ERROR_WRITE_FAULT;
        bytes.remove_prefix(written);
    }
    // Without this the rename can reach the disk before the data: after a power cut the name would
    // hold a file of the right size full of zeros.
    if (!FlushFileBuffers(file))
        return GetLastError();
    return 0;
}

}  // namespace

DWORD replaceFileAtomically(const std::wstring& path, std::string_view bytes) {
    const std::wstring temporary = temporaryPathFor(path);
    DWORD error = 0;
    {
        ScopedHandle file(CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file)
            return GetLastError();
        error = writeAllAndFlush(file.get(), bytes);
    }
    if (error == 0 && !MoveFileExW(temporary.c_str(), path.c_str(),
                                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        error = GetLastError();
    }
    if (error != 0)
        DeleteFileW(temporary.c_str());
    return error;
}

bool isTemporaryFileName(std::wstring_view name) {
    return name.size() > kTemporarySuffix.size() + 1 && name.front() == L'.' &&
           name.substr(name.size() - kTemporarySuffix.size()) == kTemporarySuffix;
}

void removeTemporaryFiles(const std::wstring& folder) {
    WIN32_FIND_DATAW found = {};
    const std::wstring pattern = folder + L"\\.*" + std::wstring(kTemporarySuffix);
    ScopedFind search(FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &found,
                                       FindExSearchNameMatch, nullptr, 0));
    if (!search)
        return;
    do {
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 &&
            isTemporaryFileName(found.cFileName)) {
            DeleteFileW((folder + L"\\" + found.cFileName).c_str());
        }
    } while (FindNextFileW(search.get(), &found));
}

}  // namespace quorvane
