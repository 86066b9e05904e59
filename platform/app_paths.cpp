#include "platform/app_paths.h"

#include <windows.h>
#include <shlwapi.h>

namespace quorvane {

std::wstring modulePath(HMODULE module, size_t initialUnits) {
    // GetModuleFileNameW truncates silently (returning the buffer size) when the path does not
    // fit, so grow the buffer until the returned length leaves room for the terminator.
    std::wstring buffer(initialUnits == 0 ? 1 : initialUnits, L'\0');
    for (;;) {
        DWORD size = static_cast<DWORD>(buffer.size());
        DWORD length = GetModuleFileNameW(module, buffer.data(), size);
        if (length == 0)
            return {};
        if (length < size) {
            buffer.resize(length);
            return buffer;
        }
        if (buffer.size() >= 32768)
            return {};
        buffer.resize(buffer.size() * 2);
    }
}

namespace {

std::wstring canonical(const std::wstring& path) {
    if (path.size() < MAX_PATH) {
        wchar_t out[MAX_PATH] = {};
        if (PathCanonicalizeW(out, path.c_str()))
            return out;
        return path;
    }
    // PathCanonicalizeW is limited to MAX_PATH; GetFullPathNameW resolves "." and ".." too and
    // takes any length.
    DWORD needed = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (needed == 0)
        return path;
    std::wstring out(needed, L'\0');
    DWORD length = GetFullPathNameW(path.c_str(), needed, out.data(), nullptr);
    if (length == 0 || length >= needed)
        return path;
    out.resize(length);
    return out;
}

}  // namespace

const std::wstring& executablePath() {
    static const std::wstring path = canonical(modulePath(nullptr, MAX_PATH));
    return path;
}

std::wstring folderOf(const std::wstring& path) {
    size_t slash = path.rfind(L'\\');
    if (slash == std::wstring::npos)
        return path;
    return path.substr(0, slash + 1);
}

std::wstring appFolder() {
    return folderOf(executablePath());
}

}  // namespace quorvane
