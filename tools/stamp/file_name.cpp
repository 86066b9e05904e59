#include "tools/stamp/file_name.h"

#include "content/request_path.h"
#include "platform/windows_names.h"

namespace quorvane::stamp {

namespace {

bool isHighSurrogate(wchar_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}

// The UTF-8 length of one UTF-16 unit (a surrogate pair counts 2 + 2).
size_t utf8Bytes(wchar_t unit) {
    if (unit < 0x80)
        return 1;
    if (unit < 0x800)
        return 2;
    return unit >= 0xD800 && unit <= 0xDFFF ? 2 : 3;
}

// Cuts |text| to the caps, never inside a surrogate pair.
void cap(std::wstring& text) {
    size_t keep = 0, bytes = 0;
    while (keep < text.size()) {
        const size_t units = isHighSurrogate(text[keep]) && keep + 1 < text.size() ? 2 : 1;
        size_t more = 0;
        for (size_t i = 0; i < units; ++i)
            more += utf8Bytes(text[keep + i]);
        if (keep + units > kMaxFileNameLength || bytes + more > kMaxFileNameBytes)
            break;
        keep += units;
        bytes += more;
    }
    text.resize(keep);
}

void trimEnd(std::wstring& text) {
    while (!text.empty() && (text.back() == L'.' || text.back() == L' '))
        text.pop_back();
}

}  // namespace

std::wstring safeFileName(std::wstring_view name) {
    std::wstring safe;
    for (wchar_t c : name)
        safe.push_back(isReservedNameCharacter(c) ? L'_' : c);
    safe.erase(0, safe.find_first_not_of(L' '));
    cap(safe);
    trimEnd(safe);
    if (safe.empty())
        return L"App";
    // Once the characters and ends are mended, the only name the content server still refuses to
    // open is a device name (CON, NUL, COM1, "nul.txt", ...): "_" after its stem makes it a file.
    if (!isServablePath(safe)) {
        const size_t stemEnd = safe.find(L'.');
        safe.insert(stemEnd == std::wstring::npos ? safe.size() : stemEnd, L"_");
        cap(safe);
        trimEnd(safe);
    }
    return safe;
}

}  // namespace quorvane::stamp
