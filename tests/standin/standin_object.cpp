#include "tests/standin/standin_object.h"

#include <objbase.h>

#include <cstring>

namespace quorvane::standin {

HRESULT copyOut(const std::wstring& text, LPWSTR* out) {
    if (out == nullptr)
        return E_POINTER;
    size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    *out = static_cast<LPWSTR>(CoTaskMemAlloc(bytes));
    if (*out == nullptr)
        return E_OUTOFMEMORY;
    std::memcpy(*out, text.c_str(), bytes);
    return S_OK;
}

}  // namespace quorvane::standin

#include "tests/standin/transcript.h"

namespace quorvane::standin {

HRESULT unsupported(const wchar_t* what) {
    record(std::wstring(L"unsupported ") + what);
    return E_NOTIMPL;
}

}  // namespace quorvane::standin

namespace quorvane::standin {

HINSTANCE standinModule() {
    HMODULE module = nullptr;
    GetModuleHandleExW(
        GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
        reinterpret_cast<LPCWSTR>(&standinModule), &module);
    return module;
}

}  // namespace quorvane::standin
