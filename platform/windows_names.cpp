#include "platform/windows_names.h"

#include <windows.h>

#include <array>

#include "platform/ascii_case.h"

namespace quorvane {

bool isReservedNameCharacter(wchar_t unit) {
    return unit < 0x20 || std::wstring_view(L"<>:\"/\\|?*").find(unit) != std::wstring_view::npos;
}

bool isDeviceName(std::wstring_view name) {
    name = name.substr(0, name.find(L'.'));
    while (!name.empty() && name.back() == L' ')
        name.remove_suffix(1);
    static constexpr std::array<std::wstring_view, 7> kNames = {
        L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$", L"CLOCK$"};
    for (std::wstring_view device : kNames) {
        if (equalsIgnoringAsciiCase(name, device))
            return true;
    }
    if (name.size() != 4)
        return false;
    if (!equalsIgnoringAsciiCase(name.substr(0, 3), L"COM") &&
        !equalsIgnoringAsciiCase(name.substr(0, 3), L"LPT")) {
        return false;
    }
    const wchar_t digit = name[3];
    return (digit >= L'0' && digit <= L'9') || digit == L'\u00B9' || digit == L'\u00B2' ||
           digit == L'\u00B3';
}

std::wstring caseFolded(std::wstring_view name) {
    std::wstring folded(name);
    if (!folded.empty()) {
        // Upper case, as the file system's own table folds names; invariant, so that the
        // answer does not depend on the user's locale (Turkish dotted and dotless i).
        LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, name.data(),
                      static_cast<int>(name.size()), folded.data(), static_cast<int>(folded.size()),
                      nullptr, nullptr, 0);
    }
    return folded;
}

bool sameWindowsName(std::wstring_view a, std::wstring_view b) {
    return a.size() == b.size() && caseFolded(a) == caseFolded(b);
}

}  // namespace quorvane
