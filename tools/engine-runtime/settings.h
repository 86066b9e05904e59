#pragma once

#include "platform/com_object.h"
#include "webview2/webview2_api.h"

namespace quorvane::engine {

// The view's settings with the runtime's defaults (everything on). The engine applies script
// execution and web messages; the others are kept and reported back only (see the README).
class Settings final : public ComObject<Settings, ICoreWebView2Settings> {
  public:
    Settings() : ComObject(IID_ICoreWebView2Settings) {}

#define QV_ENGINE_SETTING(Name, member)                                   \
    HRESULT STDMETHODCALLTYPE get_##Name(BOOL* value) noexcept override { \
        if (value == nullptr)                                             \
            return E_POINTER;                                             \
        *value = member;                                                  \
        return S_OK;                                                      \
    }                                                                     \
    HRESULT STDMETHODCALLTYPE put_##Name(BOOL value) noexcept override {  \
        member = value != FALSE;                                          \
        return S_OK;                                                      \
    }
    QV_ENGINE_SETTING(IsScriptEnabled, scriptEnabled)
    QV_ENGINE_SETTING(IsWebMessageEnabled, webMessageEnabled)
    QV_ENGINE_SETTING(AreDefaultScriptDialogsEnabled, defaultScriptDialogs)
    QV_ENGINE_SETTING(IsStatusBarEnabled, statusBar)
    QV_ENGINE_SETTING(AreDevToolsEnabled, devTools)
    QV_ENGINE_SETTING(AreDefaultContextMenusEnabled, contextMenus)
    QV_ENGINE_SETTING(AreHostObjectsAllowed, hostObjects)
    QV_ENGINE_SETTING(IsZoomControlEnabled, zoomControl)
    QV_ENGINE_SETTING(IsBuiltInErrorPageEnabled, builtInErrorPage)
#undef QV_ENGINE_SETTING

    bool scriptEnabled = true;
    bool webMessageEnabled = true;
    bool defaultScriptDialogs = true;
    bool statusBar = true;
    bool devTools = true;
    bool contextMenus = true;
    bool hostObjects = true;
    bool zoomControl = true;
    bool builtInErrorPage = true;

  private:
    friend class ComObject<Settings, ICoreWebView2Settings>;
    ~Settings() = default;
};

}  // namespace quorvane::engine
