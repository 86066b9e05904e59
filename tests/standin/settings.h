#pragma once

#include "webview2/webview2_api.h"
#include "tests/standin/standin_object.h"

namespace quorvane::standin {

// The view's settings, all TRUE at first as in the runtime. Every put is recorded as
// "settings <Name>=<0|1>".
class Settings final : public StandinObject<Settings, ICoreWebView2Settings> {
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
        Count
    };

    Settings() : StandinObject(IID_ICoreWebView2Settings) {}

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
#undef QV_STANDIN_SETTING

  private:
    HRESULT get(Index index, BOOL* value) const noexcept;
    HRESULT put(Index index, BOOL value) noexcept;

    bool values_[Count] = {true, true, true, true, true, true, true, true, true};
};

}  // namespace quorvane::standin
