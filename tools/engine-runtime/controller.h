#pragma once

#include <windows.h>

#include <memory>

#include "platform/com_object.h"
#include "platform/com_ref.h"
#include "webview2/webview2_api.h"
#include "tools/engine-runtime/browser.h"
#include "tools/engine-runtime/web_view.h"

namespace quorvane::engine {

class Controller final : public ComObject<Controller, ICoreWebView2Controller> {
  public:
    Controller(std::shared_ptr<Browser> browser, HWND parent, ComRef<WebView> view);
    HRESULT STDMETHODCALLTYPE get_IsVisible(BOOL* isVisible) noexcept override;
    HRESULT STDMETHODCALLTYPE put_IsVisible(BOOL isVisible) noexcept override;
    HRESULT STDMETHODCALLTYPE get_Bounds(RECT* bounds) noexcept override;
    HRESULT STDMETHODCALLTYPE put_Bounds(RECT bounds) noexcept override;
    HRESULT STDMETHODCALLTYPE get_ZoomFactor(double* zoomFactor) noexcept override;
    HRESULT STDMETHODCALLTYPE put_ZoomFactor(double zoomFactor) noexcept override;
    HRESULT STDMETHODCALLTYPE add_ZoomFactorChanged(ICoreWebView2ZoomFactorChangedEventHandler*,
                                                    EventRegistrationToken*) noexcept override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE remove_ZoomFactorChanged(EventRegistrationToken) noexcept override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE SetBoundsAndZoomFactor(RECT bounds,
                                                     double zoomFactor) noexcept override;
    HRESULT STDMETHODCALLTYPE MoveFocus(COREWEBVIEW2_MOVE_FOCUS_REASON reason) noexcept override;
    HRESULT STDMETHODCALLTYPE add_MoveFocusRequested(ICoreWebView2MoveFocusRequestedEventHandler*,
                                                     EventRegistrationToken*) noexcept override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE remove_MoveFocusRequested(EventRegistrationToken) noexcept override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE add_GotFocus(ICoreWebView2FocusChangedEventHandler*,
                                           EventRegistrationToken*) noexcept override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE remove_GotFocus(EventRegistrationToken) noexcept override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE add_LostFocus(ICoreWebView2FocusChangedEventHandler*,
                                            EventRegistrationToken*) noexcept override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE remove_LostFocus(EventRegistrationToken) noexcept override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE
    add_AcceleratorKeyPressed(ICoreWebView2AcceleratorKeyPressedEventHandler*,
                              EventRegistrationToken*) noexcept override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE
    remove_AcceleratorKeyPressed(EventRegistrationToken) noexcept override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE get_ParentWindow(HWND* parentWindow) noexcept override;
    HRESULT STDMETHODCALLTYPE put_ParentWindow(HWND parentWindow) noexcept override;
    HRESULT STDMETHODCALLTYPE NotifyParentWindowPositionChanged() noexcept override;
    HRESULT STDMETHODCALLTYPE Close() noexcept override;
    HRESULT STDMETHODCALLTYPE get_CoreWebView2(ICoreWebView2** coreWebView2) noexcept override;

  private:
    friend class ComObject<Controller, ICoreWebView2Controller>;
    ~Controller();
    void applyBounds();
    static LRESULT CALLBACK parentProc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);
    // Each controller's own: a window outlives the controller of a lost browser and gets the next.
    UINT_PTR subclassId() const { return reinterpret_cast<UINT_PTR>(this); }

    std::shared_ptr<Browser> browser_;
    HWND parent_;
    ComRef<WebView> view_;
    RECT bounds_ = {};
    bool visible_ = true;
    double zoom_ = 1.0;
};

}  // namespace quorvane::engine
