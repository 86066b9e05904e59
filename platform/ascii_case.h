#pragma once

#include <string_view>

namespace quorvane {

// Letter case as URLs, file names and extensions here need it: A-Z only, independent of locale
// (towlower in the C locale does the same).
inline wchar_t asciiLower(wchar_t unit) {
    return (unit >= L'A' && unit <= L'Z') ? static_cast<wchar_t>(unit - L'A' + L'a') : unit;
}

inline bool equalsIgnoringAsciiCase(std::wstring_view a, std::wstring_view b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (asciiLower(a[i]) != asciiLower(b[i]))
            return false;
    }
    return true;
}

}  // namespace quorvane
