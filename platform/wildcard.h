#pragma once

namespace quorvane {

// The browser runtime's resource filter patterns: "*" matches any run of characters (also none),
// every other character itself, case-sensitively. Runtimes and their doubles match URIs with it.
inline bool wildcardMatch(const wchar_t* pattern, const wchar_t* text) {
    const wchar_t* star = nullptr;
    const wchar_t* resume = nullptr;
    while (*text != L'\0') {
        if (*pattern == L'*') {
            star = pattern++;
            resume = text;
        } else if (*pattern == *text) {
            ++pattern;
            ++text;
        } else if (star != nullptr) {
            pattern = star + 1;
            text = ++resume;
        } else {
            return false;
        }
    }
    while (*pattern == L'*')
        ++pattern;
    return *pattern == L'\0';
}

}  // namespace quorvane
