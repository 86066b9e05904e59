#include "tests/standin/settings.h"

#include <string>

#include "tests/standin/transcript.h"
#include "tests/standin/transcript_format.h"

namespace quorvane::standin {

namespace {

const wchar_t* const kNames[Settings::Count] = {
    L"IsScriptEnabled",
    L"IsWebMessageEnabled",
    L"AreDefaultScriptDialogsEnabled",
    L"IsStatusBarEnabled",
    L"AreDevToolsEnabled",
    L"AreDefaultContextMenusEnabled",
    L"AreHostObjectsAllowed",
    L"IsZoomControlEnabled",
    L"IsBuiltInErrorPageEnabled",
    L"AreBrowserAcceleratorKeysEnabled",
    L"IsPasswordAutosaveEnabled",
    L"IsGeneralAutofillEnabled",
    L"IsPinchZoomEnabled",
    L"IsSwipeNavigationEnabled",
};

// The newer interfaces, ICoreWebView2Settings2 first.
const IID* const kNewer[] = {&IID_ICoreWebView2Settings2, &IID_ICoreWebView2Settings3,
                             &IID_ICoreWebView2Settings4, &IID_ICoreWebView2Settings5,
                             &IID_ICoreWebView2Settings6};

// The user agent of the runtime version the stand-in reports by default.
const wchar_t kDefaultUserAgent[] =
    L"Mozilla/5.0 (Windows NT 10.0; Win64; x64) AppleWebKit/537.36 (KHTML, like Gecko) "
    L"Chrome/120.0.0.0 Safari/537.36 Edg/120.0.2210.91";

}  // namespace

bool Settings::alsoAnswers(REFIID riid) const {
    for (int version = 2; version <= newest_ && version <= 6; ++version) {
        if (IsEqualIID(riid, *kNewer[version - 2]))
            return true;
    }
    return false;
}

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

HRESULT Settings::get_UserAgent(LPWSTR* value) noexcept {
    return copyOut(userAgent_.empty() ? kDefaultUserAgent : userAgent_, value);
}

HRESULT Settings::put_UserAgent(LPCWSTR value) noexcept {
    try {
        record(L"settings UserAgent=" + textOrNull(value));
        userAgent_ = value == nullptr ? L"" : value;
    } catch (...) {
        return E_OUTOFMEMORY;
    }
    return S_OK;
}

}  // namespace quorvane::standin
