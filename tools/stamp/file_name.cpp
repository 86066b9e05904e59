#include "tools/stamp/file_name.h"

#include "content/request_path.h"

namespace quorvane::stamp {

namespace {

bool reservedCharacter(wchar_t c) {
    return c < 32 || std::wstring_view(L"<>:\"/\\|?*").find(c) != std::wstring_view::npos;
}

void trimEnd(std::wstring& text) {
    while (!text.empty() && (text.back() == L'.' || text.back() == L' '))
        text.pop_back();
}

}  // namespace

std::wstring safeFileName(std::wstring_view name) {
    std::wstring safe;
    for (wchar_t c : name)
        safe.push_back(reservedCharacter(c) ? L'_' : c);
    safe.erase(0, safe.find_first_not_of(L' '));
    if (safe.size() > kMaxFileNameLength) {
        size_t keep = kMaxFileNameLength;
        if (safe[keep - 1] >= 0xD800 && safe[keep - 1] <= 0xDBFF)
            --keep;  // never split a surrogate pair
        safe.resize(keep);
    }
    trimEnd(safe);
    if (safe.empty())
        return L"App";
    // Once the characters and ends are mended, the only name the content server still refuses to
    // open is a device name (CON, NUL, COM1, "nul.txt", ...): "_" after its stem makes it a file.
    if (!isServablePath(safe)) {
        const size_t stemEnd = safe.find(L'.');
        safe.insert(stemEnd == std::wstring::npos ? safe.size() : stemEnd, L"_");
    }
    return safe;
}

}  // namespace quorvane::stamp
