#include "tools/pack/long_path.h"

#include <windows.h>

#include "platform/utf8.h"

namespace quorvane::pack {

namespace {

constexpr std::wstring_view kExtended = L"\\\\?\\";

void trimSeparators(std::wstring& path, size_t keep) {
    while (path.size() > keep && path.back() == L'\\')
        path.pop_back();
}

}  // namespace

std::wstring extendedPath(const std::wstring& path) {
    if (path.rfind(kExtended, 0) == 0) {
        std::wstring given = path;
        trimSeparators(given, kExtended.size() + 3);
        return given;
    }
    std::wstring full(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
        if (length == 0) {
            full = path;
            break;
        }
        if (length < full.size()) {
            full.resize(length);
            break;
        }
        full.resize(length);
    }
    trimSeparators(full, 3);
    if (full.rfind(L"\\\\", 0) == 0)
        return std::wstring(kExtended) + L"UNC\\" + full.substr(2);
    return std::wstring(kExtended) + full;
}

std::wstring joinPath(std::wstring_view folder, std::wstring_view relative) {
    std::wstring path(folder);
    if (!path.empty() && path.back() != L'\\')
        path += L'\\';
    for (wchar_t unit : relative)
        path += unit == L'/' ? L'\\' : unit;
    return path;
}

std::string shownPath(std::wstring_view path) {
    if (path.rfind(L"\\\\?\\UNC\\", 0) == 0)
        return "\\\\" + wideToUtf8(path.substr(8));
    if (path.rfind(kExtended, 0) == 0)
        return wideToUtf8(path.substr(kExtended.size()));
    return wideToUtf8(path);
}

std::string slashed(std::wstring_view relative) {
    std::string text = wideToUtf8(relative);
    for (char& c : text) {
        if (c == '\\')
            c = '/';
    }
    return text;
}

}  // namespace quorvane::pack
