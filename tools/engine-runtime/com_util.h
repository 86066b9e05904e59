#pragma once

#include <objbase.h>

#include <string>

#include "platform/scoped_com_mem.h"

namespace quorvane::engine {

// A CoTaskMemAlloc'ed copy of |text| in *out, as the runtime hands out every string.
inline HRESULT copyOut(const std::wstring& text, LPWSTR* out) {
    return copyToTaskMemory(text, out);
}

inline std::wstring textOf(LPCWSTR text) {
    return text != nullptr ? text : L"";
}

}  // namespace quorvane::engine
