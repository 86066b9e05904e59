#pragma once

#include "webview2/webview2_api.h"
#include "tests/standin/event_handlers.h"
#include "tests/standin/standin_object.h"
#include "tests/standin/web_view.h"

namespace quorvane::standin {

// The controller and its view. Like the runtime's, it puts a child window into the parent: the
// view's own window, sized by put_Bounds, shown by put_IsVisible and focused by MoveFocus, so a
// test can see where the view sits inside the shell's window.
class Controller final : public StandinObject<Controller, ICoreWebView2Controller> {
  public:
    Controller(HWND parent, ComRef<WebView> view);
    ~Controller();

    // The class of the view's window.
    static constexpr wchar_t kViewClass[] = L"QuorvaneStandinView";

    HRESULT STDMETHODCALLTYPE get_IsVisible(BOOL* isVisible) noexcept override;
    HRESULT STDMETHODCALLTYPE put_IsVisible(BOOL isVisible) noexcept override;
    HRESULT STDMETHODCALLTYPE get_Bounds(RECT* bounds) noexcept override;
    HRESULT STDMETHODCALLTYPE put_Bounds(RECT bounds) noexcept override;
    HRESULT STDMETHODCALLTYPE get_ZoomFactor(double* zoomFactor) noexcept override;
    HRESULT STDMETHODCALLTYPE put_ZoomFactor(double zoomFactor) noexcept override;
    HRESULT STDMETHODCALLTYPE
    add_ZoomFactorChanged(ICoreWebView2ZoomFactorChangedEventHandler* handler,
                          EventRegistrationToken* token) noexcept override;
    HRESULT STDMETHODCALLTYPE
    remove_ZoomFactorChanged(EventRegistrationToken token) noexcept override;
    HRESULT STDMETHODCALLTYPE SetBoundsAndZoomFactor(RECT bounds,
                                                     double zoomFactor) noexcept override;
    HRESULT STDMETHODCALLTYPE MoveFocus(COREWEBVIEW2_MOVE_FOCUS_REASON reason) noexcept override;
    HRESULT STDMETHODCALLTYPE
    add_MoveFocusRequested(ICoreWebView2MoveFocusRequestedEventHandler* handler,
                           EventRegistrationToken* token) noexcept override;
    HRESULT STDMETHODCALLTYPE
    remove_MoveFocusRequested(EventRegistrationToken token) noexcept override;
    HRESULT STDMETHODCALLTYPE add_GotFocus(ICoreWebView2FocusChangedEventHandler* handler,
                                           EventRegistrationToken* token) noexcept override;
    HRESULT STDMETHODCALLTYPE remove_GotFocus(EventRegistrationToken token) noexcept override;
    HRESULT STDMETHODCALLTYPE add_LostFocus(ICoreWebView2FocusChangedEventHandler* handler,
                                            EventRegistrationToken* token) noexcept override;
    HRESULT STDMETHODCALLTYPE remove_LostFocus(EventRegistrationToken token) noexcept override;
    HRESULT STDMETHODCALLTYPE
    add_AcceleratorKeyPressed(ICoreWebView2AcceleratorKeyPressedEventHandler* handler,
                              EventRegistrationToken* token) noexcept override;
    HRESULT STDMETHODCALLTYPE
    remove_AcceleratorKeyPressed(EventRegistrationToken token) noexcept override;
    HRESULT STDMETHODCALLTYPE get_ParentWindow(HWND* parentWindow) noexcept override;
    HRESULT STDMETHODCALLTYPE put_ParentWindow(HWND parentWindow) noexcept override;
    HRESULT STDMETHODCALLTYPE NotifyParentWindowPositionChanged() noexcept override;
    HRESULT STDMETHODCALLTYPE Close() noexcept override;
    HRESULT STDMETHODCALLTYPE get_CoreWebView2(ICoreWebView2** coreWebView2) noexcept override;

  private:
    HRESULT closedResult() const;

    HWND parent_;
    HWND window_ = nullptr;
    ComRef<WebView> view_;
    EventHandlers handlers_;
    RECT bounds_ = {};
    bool visible_ = true;
    double zoom_ = 1.0;
    bool closed_ = false;
};

// "<window class>" of a window, "(null)" or "(invalid)".
std::wstring describeWindow(HWND window);

}  // namespace quorvane::standin
