#pragma once

#include <string>

#include "webview2/webview2_api.h"
#include "tests/standin/standin_object.h"

namespace quorvane::standin {

// The view's settings with the runtime's defaults: everything on but password saving. Every put is
// recorded as "settings <Name>=<0|1>" ("settings UserAgent=<text>"). The object implements
// ICoreWebView2Settings to ICoreWebView2Settings6 but, like an older runtime, answers
// QueryInterface only for those up to |newest|.
class Settings final : public StandinObject<Settings, ICoreWebView2Settings6> {
  public:
    enum Index {
        ScriptEnabled,
        WebMessageEnabled,
        DefaultScriptDialogsEnabled,
        StatusBarEnabled,
        DevToolsEnabled,
        DefaultContextMenusEnabled,
        HostObjectsAllowed,
        ZoomControlEnabled,
        BuiltInErrorPageEnabled,
        BrowserAcceleratorKeysEnabled,
        PasswordAutosaveEnabled,
        GeneralAutofillEnabled,
        PinchZoomEnabled,
        SwipeNavigationEnabled,
        Count
    };

    explicit Settings(int newest) : StandinObject(IID_ICoreWebView2Settings), newest_(newest) {}

    bool value(Index index) const { return values_[index]; }

#define QV_STANDIN_SETTING(Getter, Putter, index)                     \
    HRESULT STDMETHODCALLTYPE Getter(BOOL* value) noexcept override { \
        return get(index, value);                                     \
    }                                                                 \
    HRESULT STDMETHODCALLTYPE Putter(BOOL value) noexcept override {  \
        return put(index, value);                                     \
    }
    QV_STANDIN_SETTING(get_IsScriptEnabled, put_IsScriptEnabled, ScriptEnabled)
    QV_STANDIN_SETTING(get_IsWebMessageEnabled, put_IsWebMessageEnabled, WebMessageEnabled)
    QV_STANDIN_SETTING(get_AreDefaultScriptDialogsEnabled, put_AreDefaultScriptDialogsEnabled,
                       DefaultScriptDialogsEnabled)
    QV_STANDIN_SETTING(get_IsStatusBarEnabled, put_IsStatusBarEnabled, StatusBarEnabled)
    QV_STANDIN_SETTING(get_AreDevToolsEnabled, put_AreDevToolsEnabled, DevToolsEnabled)
    QV_STANDIN_SETTING(get_AreDefaultContextMenusEnabled, put_AreDefaultContextMenusEnabled,
                       DefaultContextMenusEnabled)
    QV_STANDIN_SETTING(get_AreHostObjectsAllowed, put_AreHostObjectsAllowed, HostObjectsAllowed)
    QV_STANDIN_SETTING(get_IsZoomControlEnabled, put_IsZoomControlEnabled, ZoomControlEnabled)
    QV_STANDIN_SETTING(get_IsBuiltInErrorPageEnabled, put_IsBuiltInErrorPageEnabled,
                       BuiltInErrorPageEnabled)
    QV_STANDIN_SETTING(get_AreBrowserAcceleratorKeysEnabled, put_AreBrowserAcceleratorKeysEnabled,
                       BrowserAcceleratorKeysEnabled)
    QV_STANDIN_SETTING(get_IsPasswordAutosaveEnabled, put_IsPasswordAutosaveEnabled,
                       PasswordAutosaveEnabled)
    QV_STANDIN_SETTING(get_IsGeneralAutofillEnabled, put_IsGeneralAutofillEnabled,
                       GeneralAutofillEnabled)
    QV_STANDIN_SETTING(get_IsPinchZoomEnabled, put_IsPinchZoomEnabled, PinchZoomEnabled)
    QV_STANDIN_SETTING(get_IsSwipeNavigationEnabled, put_IsSwipeNavigationEnabled,
                       SwipeNavigationEnabled)
#undef QV_STANDIN_SETTING

    HRESULT STDMETHODCALLTYPE get_UserAgent(LPWSTR* value) noexcept override;
    HRESULT STDMETHODCALLTYPE put_UserAgent(LPCWSTR value) noexcept override;

  protected:
    bool alsoAnswers(REFIID riid) const override;

  private:
    HRESULT get(Index index, BOOL* value) const noexcept;
    HRESULT put(Index index, BOOL value) noexcept;

    const int newest_;
    bool values_[Count] = {true, true, true, true,  true, true, true,
                           true, true, true, false, true, true, true};
    std::wstring userAgent_;
};

}  // namespace quorvane::standin
