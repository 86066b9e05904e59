#include "tests/support/current_directory.h"

#include <windows.h>

#include <stdexcept>

#include "tests/support/files.h"

namespace quorvane::testing {

CurrentDirectory::CurrentDirectory(const std::wstring& folder) {
    DWORD size = GetCurrentDirectoryW(0, nullptr);
    previous_.resize(size);
    previous_.resize(GetCurrentDirectoryW(size, previous_.data()));
    if (!SetCurrentDirectoryW(folder.c_str())) {
        throw std::runtime_error("cannot change into " + narrow(folder));
    }
}

CurrentDirectory::~CurrentDirectory() {
    SetCurrentDirectoryW(previous_.c_str());
}

}  // namespace quorvane::testing
