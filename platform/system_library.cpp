#include "platform/system_library.h"

namespace quorvane {

void restrictDllSearchToSystem32() noexcept {
    SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
}

void* systemFunctionAddress(const wchar_t* library, const char* function) noexcept {
    // By full path: a bare name would also match a module of that name that is already loaded,
    // wherever it came from. The search flag applies to the library's own dependencies. Repeated
    // loads only count references on a library that is never freed.
    wchar_t path[MAX_PATH] = {};
    UINT length = GetSystemDirectoryW(path, MAX_PATH);
    if (length == 0 || length + 1 + lstrlenW(library) >= MAX_PATH)
        return nullptr;
    path[length] = L'\\';
    lstrcpyW(path + length + 1, library);
    HMODULE module = LoadLibraryExW(path, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (module == nullptr)
        return nullptr;
    return reinterpret_cast<void*>(GetProcAddress(module, function));
}

}  // namespace quorvane
