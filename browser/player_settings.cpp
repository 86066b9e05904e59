#include "browser/player_settings.h"

#include "platform/com_ref.h"

namespace quorvane {

namespace {

BOOL flag(bool on) {
    return on ? TRUE : FALSE;
}

}  // namespace

void applyPlayerSettings(ICoreWebView2Settings* settings, const AppConfig& config) {
    if (settings == nullptr)
        return;
    // A runtime that predates a newer settings interface answers E_NOINTERFACE: none comes back.
    const auto base = ComRef<ICoreWebView2Settings>::copyOf(settings);
    if (config.browserKeys) {
        // Reload, print, find, save, history, zoom and developer-tools keys; the page still gets
        // every key event.
        if (auto settings3 = base.query<ICoreWebView2Settings3>(IID_ICoreWebView2Settings3))
            settings3->put_AreBrowserAcceleratorKeysEnabled(flag(*config.browserKeys));
    }
    if (config.statusBar)
        settings->put_IsStatusBarEnabled(flag(*config.statusBar));
    if (config.pinchZoom) {
        if (auto settings5 = base.query<ICoreWebView2Settings5>(IID_ICoreWebView2Settings5))
            settings5->put_IsPinchZoomEnabled(flag(*config.pinchZoom));
    }
    if (config.swipeNavigation) {
        if (auto settings6 = base.query<ICoreWebView2Settings6>(IID_ICoreWebView2Settings6))
            settings6->put_IsSwipeNavigationEnabled(flag(*config.swipeNavigation));
    }
    if (config.autofill) {
        if (auto settings4 = base.query<ICoreWebView2Settings4>(IID_ICoreWebView2Settings4)) {
            settings4->put_IsGeneralAutofillEnabled(flag(*config.autofill));
            settings4->put_IsPasswordAutosaveEnabled(flag(*config.autofill));
        }
    }
}

}  // namespace quorvane
