#pragma once

#include <string>

#include "platform/com_object.h"
#include "platform/utf8.h"
#include "tools/engine-runtime/com_util.h"
#include "tools/engine-runtime/engine_log.h"
#include "webview2/webview2_api.h"

namespace quorvane::engine {

// The view's settings with the runtime's defaults (everything on but password saving), one object
// for ICoreWebView2Settings to ICoreWebView2Settings6. The engine applies script execution and
// web messages; the others are kept, reported back and logged ("settings <Name>=<0|1>"): a
// headless browser has no menus, status bar, browser keys, touch gestures or autofill (see the
// README).
class Settings final : public ComObject<Settings, ICoreWebView2Settings6> {
  public:
    Settings() : ComObject(IID_ICoreWebView2Settings) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) noexcept override {
        for (const IID* newer :
             {&IID_ICoreWebView2Settings2, &IID_ICoreWebView2Settings3, &IID_ICoreWebView2Settings4,
              &IID_ICoreWebView2Settings5, &IID_ICoreWebView2Settings6}) {
            if (object != nullptr && IsEqualIID(riid, *newer)) {
                *object = static_cast<ICoreWebView2Settings6*>(this);
                AddRef();
                return S_OK;
            }
        }
        return ComObject::QueryInterface(riid, object);
    }

#define QV_ENGINE_SETTING(Name, member)                                   \
    HRESULT STDMETHODCALLTYPE get_##Name(BOOL* value) noexcept override { \
        if (value == nullptr)                                             \
            return E_POINTER;                                             \
        *value = member;                                                  \
        return S_OK;                                                      \
    }                                                                     \
    HRESULT STDMETHODCALLTYPE put_##Name(BOOL value) noexcept override {  \
        member = value != FALSE;                                          \
        log(#Name, member);                                               \
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
    QV_ENGINE_SETTING(AreBrowserAcceleratorKeysEnabled, browserAcceleratorKeys)
    QV_ENGINE_SETTING(IsPasswordAutosaveEnabled, passwordAutosave)
    QV_ENGINE_SETTING(IsGeneralAutofillEnabled, generalAutofill)
    QV_ENGINE_SETTING(IsPinchZoomEnabled, pinchZoom)
    QV_ENGINE_SETTING(IsSwipeNavigationEnabled, swipeNavigation)
#undef QV_ENGINE_SETTING

    // Kept, not applied; empty until set.
    HRESULT STDMETHODCALLTYPE get_UserAgent(LPWSTR* value) noexcept override {
        return copyOut(userAgent, value);
    }
    HRESULT STDMETHODCALLTYPE put_UserAgent(LPCWSTR value) noexcept override {
        try {
            userAgent = textOf(value);
            logLine("settings UserAgent=" + wideToUtf8(userAgent));
        } catch (...) {
            return E_OUTOFMEMORY;
        }
        return S_OK;
    }

    bool scriptEnabled = true;
    bool webMessageEnabled = true;
    bool defaultScriptDialogs = true;
    bool statusBar = true;
    bool devTools = true;
    bool contextMenus = true;
    bool hostObjects = true;
    bool zoomControl = true;
    bool builtInErrorPage = true;
    bool browserAcceleratorKeys = true;
    bool passwordAutosave = false;
    bool generalAutofill = true;
    bool pinchZoom = true;
    bool swipeNavigation = true;
    std::wstring userAgent;

  private:
    friend class ComObject<Settings, ICoreWebView2Settings6>;
    ~Settings() = default;

    static void log(const char* name, bool on) noexcept {
        try {
            logLine(std::string("settings ") + name + (on ? "=1" : "=0"));
        } catch (...) {
        }
    }
};

}  // namespace quorvane::engine
