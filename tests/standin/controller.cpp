#include "tests/standin/controller.h"

#include <cstdio>

#include "tests/standin/transcript.h"
#include "tests/standin/transcript_format.h"

namespace quorvane::standin {

namespace {

HWND createViewWindow(HWND parent) {
    WNDCLASSEXW windowClass = {sizeof windowClass};
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.hInstance = standinModule();
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    windowClass.lpszClassName = Controller::kViewClass;
    RegisterClassExW(&windowClass);  // fails harmlessly when already registered
    return CreateWindowExW(0, Controller::kViewClass, L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS,
                           0, 0, 0, 0, parent, nullptr, standinModule(), nullptr);
}

std::wstring zoomText(double zoom) {
    wchar_t text[32];
    swprintf(text, 32, L"%g", zoom);
    return text;
}

}  // namespace

std::wstring describeWindow(HWND window) {
    if (window == nullptr)
        return L"(null)";
    if (!IsWindow(window))
        return L"(invalid)";
    wchar_t name[256] = {};
    GetClassNameW(window, name, 256);
    return name;
}

Controller::Controller(HWND parent, ComRef<WebView> view)
    : StandinObject(IID_ICoreWebView2Controller),
      parent_(parent),
      window_(createViewWindow(parent)),
      view_(std::move(view)) {
    view_->setHostWindow(parent);
}

Controller::~Controller() {
    if (window_ != nullptr && IsWindow(window_))
        DestroyWindow(window_);
}

// After Close the runtime answers every call with this.
HRESULT Controller::closedResult() const {
    return HRESULT_FROM_WIN32(ERROR_INVALID_STATE);
}

HRESULT Controller::get_IsVisible(BOOL* isVisible) noexcept {
    if (isVisible == nullptr)
        return E_POINTER;
    *isVisible = visible_ ? TRUE : FALSE;
    return S_OK;
}

HRESULT Controller::put_IsVisible(BOOL isVisible) noexcept {
    record(std::wstring(L"controller IsVisible=") + (isVisible != FALSE ? L"1" : L"0"));
    if (closed_)
        return closedResult();
    visible_ = isVisible != FALSE;
    ShowWindow(window_, visible_ ? SW_SHOWNA : SW_HIDE);
    return S_OK;
}

HRESULT Controller::get_Bounds(RECT* bounds) noexcept {
    if (bounds == nullptr)
        return E_POINTER;
    *bounds = bounds_;
    return S_OK;
}

HRESULT Controller::put_Bounds(RECT bounds) noexcept {
    record(L"controller Bounds=" + rectText(bounds));
    if (closed_)
        return closedResult();
    bounds_ = bounds;
    MoveWindow(window_, bounds.left, bounds.top, bounds.right - bounds.left,
               bounds.bottom - bounds.top, TRUE);
    return S_OK;
}

HRESULT Controller::get_ZoomFactor(double* zoomFactor) noexcept {
    if (zoomFactor == nullptr)
        return E_POINTER;
    *zoomFactor = zoom_;
    return S_OK;
}

HRESULT Controller::put_ZoomFactor(double zoomFactor) noexcept {
    record(L"controller ZoomFactor=" + zoomText(zoomFactor));
    if (closed_)
        return closedResult();
    zoom_ = zoomFactor;
    return S_OK;
}

HRESULT Controller::SetBoundsAndZoomFactor(RECT bounds, double zoomFactor) noexcept {
    record(L"controller SetBoundsAndZoomFactor=" + rectText(bounds) + L" " + zoomText(zoomFactor));
    if (closed_)
        return closedResult();
    bounds_ = bounds;
    zoom_ = zoomFactor;
    MoveWindow(window_, bounds.left, bounds.top, bounds.right - bounds.left,
               bounds.bottom - bounds.top, TRUE);
    return S_OK;
}

HRESULT Controller::MoveFocus(COREWEBVIEW2_MOVE_FOCUS_REASON reason) noexcept {
    record(L"controller MoveFocus=" + std::to_wstring(reason));
    if (closed_)
        return closedResult();
    SetFocus(window_);
    return S_OK;
}

#define QV_STANDIN_EVENT(Name, Handler)                                                        \
    HRESULT Controller::add_##Name(Handler* handler, EventRegistrationToken* token) noexcept { \
        return handlers_.add(L## #Name, handler, token);                                       \
    }                                                                                          \
    HRESULT Controller::remove_##Name(EventRegistrationToken token) noexcept {                 \
        return handlers_.remove(L## #Name, token);                                             \
    }
QV_STANDIN_EVENT(ZoomFactorChanged, ICoreWebView2ZoomFactorChangedEventHandler)
QV_STANDIN_EVENT(MoveFocusRequested, ICoreWebView2MoveFocusRequestedEventHandler)
QV_STANDIN_EVENT(GotFocus, ICoreWebView2FocusChangedEventHandler)
QV_STANDIN_EVENT(LostFocus, ICoreWebView2FocusChangedEventHandler)
QV_STANDIN_EVENT(AcceleratorKeyPressed, ICoreWebView2AcceleratorKeyPressedEventHandler)
#undef QV_STANDIN_EVENT

HRESULT Controller::get_ParentWindow(HWND* parentWindow) noexcept {
    if (parentWindow == nullptr)
        return E_POINTER;
    *parentWindow = parent_;
    return S_OK;
}

HRESULT Controller::put_ParentWindow(HWND parentWindow) noexcept {
    record(L"controller ParentWindow=" + describeWindow(parentWindow));
    if (closed_)
        return closedResult();
    parent_ = parentWindow;
    SetParent(window_, parentWindow);
    view_->setHostWindow(parentWindow);
    return S_OK;
}

HRESULT Controller::NotifyParentWindowPositionChanged() noexcept {
    record(L"controller NotifyParentWindowPositionChanged");
    return closed_ ? closedResult() : S_OK;
}

HRESULT Controller::Close() noexcept {
    record(L"controller Close");
    if (closed_)
        return S_OK;
    closed_ = true;
    if (IsWindow(window_))
        DestroyWindow(window_);
    window_ = nullptr;
    return S_OK;
}

HRESULT Controller::get_CoreWebView2(ICoreWebView2** coreWebView2) noexcept {
    if (coreWebView2 == nullptr)
        return E_POINTER;
    *coreWebView2 = nullptr;
    if (closed_)
        return closedResult();
    *coreWebView2 = ComRef<ICoreWebView2>::copyOf(view_.get()).detach();
    return S_OK;
}

}  // namespace quorvane::standin
