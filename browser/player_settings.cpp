#include "browser/player_settings.h"

#include "platform/com_ref.h"

namespace quorvane {

namespace {

// The newer settings interface |Interface|, or none when the runtime predates it (QueryInterface
// answers E_NOINTERFACE).
template <typename Interface>
ComRef<Interface> newer(ICoreWebView2Settings* settings, REFIID iid) {
    ComRef<Interface> result;
    if (FAILED(settings->QueryInterface(iid, reinterpret_cast<void**>(result.put()))))
        result.detach();  // a failing QueryInterface hands out nothing to release
    return result;
}

BOOL flag(bool on) {
    return on ? TRUE : FALSE;
}

}  // namespace

void applyPlayerSettings(ICoreWebView2Settings* settings, const AppConfig& config) {
    if (settings == nullptr)
        return;
    if (config.browserKeys) {
        // Reload, print, find, save, history, zoom and developer-tools keys; the page still gets
        // every key event.
        if (auto settings3 = newer<ICoreWebView2Settings3>(settings, IID_ICoreWebView2Settings3))
            settings3->put_AreBrowserAcceleratorKeysEnabled(flag(*config.browserKeys));
    }
    if (config.statusBar)
        settings->put_IsStatusBarEnabled(flag(*config.statusBar));
    if (config.pinchZoom) {
        if (auto settings5 = newer<ICoreWebView2Settings5>(settings, IID_ICoreWebView2Settings5))
            settings5->put_IsPinchZoomEnabled(flag(*config.pinchZoom));
    }
    if (config.swipeNavigation) {
        if (auto settings6 = newer<ICoreWebView2Settings6>(settings, IID_ICoreWebView2Settings6))
            settings6->put_IsSwipeNavigationEnabled(flag(*config.swipeNavigation));
    }
    if (config.autofill) {
        if (auto settings4 = newer<ICoreWebView2Settings4>(settings, IID_ICoreWebView2Settings4)) {
            settings4->put_IsGeneralAutofillEnabled(flag(*config.autofill));
            settings4->put_IsPasswordAutosaveEnabled(flag(*config.autofill));
        }
    }
}

}  // namespace quorvane
