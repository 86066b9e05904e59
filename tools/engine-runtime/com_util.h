#pragma once

#include <objbase.h>

#include <cstring>
#include <string>

namespace quorvane::engine {

// A CoTaskMemAlloc'ed copy of |text| in *out, as the runtime hands out every string.
inline HRESULT copyOut(const std::wstring& text, LPWSTR* out) {
    if (out == nullptr)
        return E_POINTER;
    const size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    *out = static_cast<LPWSTR>(CoTaskMemAlloc(bytes));
    if (*out == nullptr)
        return E_OUTOFMEMORY;
    std::memcpy(*out, text.c_str(), bytes);
    return S_OK;
}

inline std::wstring textOf(LPCWSTR text) {
    return text != nullptr ? text : L"";
}

}  // namespace quorvane::engine
