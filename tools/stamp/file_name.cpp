#include "tools/stamp/file_name.h"

#include "platform/ascii_case.h"

namespace quorvane::stamp {

namespace {

bool reservedCharacter(wchar_t c) {
    return c < 32 || std::wstring_view(L"<>:\"/\\|?*").find(c) != std::wstring_view::npos;
}

// Device names are reserved in every folder and with any extension: "nul.txt" is the device too.
bool isDeviceName(std::wstring_view stem) {
    while (!stem.empty() && stem.back() == L' ')
        stem.remove_suffix(1);
    for (const wchar_t* device : {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$"}) {
        if (equalsIgnoringAsciiCase(stem, device))
            return true;
    }
    if (stem.size() != 4)
        return false;
    std::wstring_view prefix = stem.substr(0, 3);
    const wchar_t last = stem[3];
    // COM1-9 and LPT1-9, and the superscript digits that Windows also maps to those ports.
    const bool digit = (last >= L'1' && last <= L'9') || last == L'\u00B9' || last == L'\u00B2' ||
                       last == L'\u00B3';
    return digit &&
           (equalsIgnoringAsciiCase(prefix, L"COM") || equalsIgnoringAsciiCase(prefix, L"LPT"));
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
    const size_t stemEnd = safe.find(L'.');
    if (isDeviceName(std::wstring_view(safe).substr(0, stemEnd)))
        safe.insert(stemEnd == std::wstring::npos ? safe.size() : stemEnd, L"_");
    return safe.empty() ? L"App" : safe;
}

}  // namespace quorvane::stamp
