#include "tests/standin/settings.h"

#include <string>

#include "tests/standin/transcript.h"

namespace quorvane::standin {

namespace {

const wchar_t* const kNames[Settings::Count] = {
    L"IsScriptEnabled",       L"IsWebMessageEnabled",  L"AreDefaultScriptDialogsEnabled",
    L"IsStatusBarEnabled",    L"AreDevToolsEnabled",   L"AreDefaultContextMenusEnabled",
    L"AreHostObjectsAllowed", L"IsZoomControlEnabled", L"IsBuiltInErrorPageEnabled",
};

}  // namespace

HRESULT Settings::get(Index index, BOOL* value) const noexcept {
    if (value == nullptr)
        return E_POINTER;
    *value = values_[index] ? TRUE : FALSE;
    return S_OK;
}

HRESULT Settings::put(Index index, BOOL value) noexcept {
    values_[index] = value != FALSE;
    record(std::wstring(L"settings ") + kNames[index] + L"=" + (value != FALSE ? L"1" : L"0"));
    return S_OK;
}

}  // namespace quorvane::standin
