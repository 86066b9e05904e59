#include "tools/engine-runtime/controller.h"

#include <commctrl.h>

#include <map>

#include "tools/engine-runtime/engine_log.h"
#include "tools/engine-runtime/steps.h"

namespace quorvane::engine {

namespace {

// A window without a caption that covers its monitor, as a game's fullscreen is.
bool coversItsMonitor(HWND window) {
    if ((GetWindowLongW(window, GWL_STYLE) & WS_CAPTION) == WS_CAPTION)
        return false;
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof monitor;
    RECT rect = {};
    return GetWindowRect(window, &rect) &&
           GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor) &&
           EqualRect(&rect, &monitor.rcMonitor);
}

// The host's windows as last seen (the UI thread's): a window outlives a lost browser, and the
// next browser's controller must not report a switch that did not happen.
std::map<HWND, bool> fullscreenWindows;

// Logs "window fullscreen 1" or "0" when the window has switched since last seen.
void noteFullscreen(HWND window, bool log) {
    const bool now = coversItsMonitor(window);
    auto [seen, added] = fullscreenWindows.try_emplace(window, now);
    if (added || seen->second == now)
        return;
    seen->second = now;
    if (log)
        logLine(std::string("window fullscreen ") + (now ? "1" : "0"));
}

}  // namespace

Controller::Controller(std::shared_ptr<Browser> browser, HWND parent, ComRef<WebView> view)
    : ComObject(IID_ICoreWebView2Controller),
      browser_(std::move(browser)),
      parent_(parent),
      view_(std::move(view)) {
    GetClientRect(parent_, &bounds_);
    browser_->window = parent_;
    noteFullscreen(parent_, false);
    // The browser goes with the window it lives in, even when nobody closes the controller.
    SetWindowSubclass(parent_, &Controller::parentProc, subclassId(),
                      reinterpret_cast<DWORD_PTR>(browser_.get()));
}

Controller::~Controller() {
    if (IsWindow(parent_))
        RemoveWindowSubclass(parent_, &Controller::parentProc, subclassId());
}

LRESULT CALLBACK Controller::parentProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                        UINT_PTR id, DWORD_PTR data) {
    if (message == WM_WINDOWPOSCHANGED) {
        noteFullscreen(window, true);
    } else if (message == WM_DESTROY) {
        RemoveWindowSubclass(window, &Controller::parentProc, id);
        fullscreenWindows.erase(window);
        // The newest controller's subclass comes first: its browser takes the picture.
        takeFinalScreenshot(*reinterpret_cast<Browser*>(data));
        reinterpret_cast<Browser*>(data)->shutDown();
    }
    return DefSubclassProc(window, message, wParam, lParam);
}

HRESULT Controller::get_IsVisible(BOOL* isVisible) noexcept {
    if (isVisible == nullptr)
        return E_POINTER;
    *isVisible = visible_;
    return S_OK;
}
HRESULT Controller::put_IsVisible(BOOL isVisible) noexcept {
    visible_ = isVisible != FALSE;
    logLine(std::string("visible ") + (visible_ ? "1" : "0"));
    return S_OK;
}
HRESULT Controller::get_Bounds(RECT* bounds) noexcept {
    if (bounds == nullptr)
        return E_POINTER;
    *bounds = bounds_;
    return S_OK;
}
HRESULT Controller::put_Bounds(RECT bounds) noexcept {
    bounds_ = bounds;
    applyBounds();
    return S_OK;
}
HRESULT Controller::get_ZoomFactor(double* zoomFactor) noexcept {
    if (zoomFactor == nullptr)
        return E_POINTER;
    *zoomFactor = zoom_;
    return S_OK;
}
HRESULT Controller::put_ZoomFactor(double zoomFactor) noexcept {
    zoom_ = zoomFactor;
    return S_OK;
}
HRESULT Controller::SetBoundsAndZoomFactor(RECT bounds, double zoomFactor) noexcept {
    zoom_ = zoomFactor;
    return put_Bounds(bounds);
}
HRESULT Controller::MoveFocus(COREWEBVIEW2_MOVE_FOCUS_REASON reason) noexcept {
    logLine("focus " + std::to_string(static_cast<int>(reason)));
    return S_OK;
}
HRESULT Controller::get_ParentWindow(HWND* parentWindow) noexcept {
    if (parentWindow == nullptr)
        return E_POINTER;
    *parentWindow = parent_;
    return S_OK;
}
HRESULT Controller::put_ParentWindow(HWND parentWindow) noexcept {
    if (IsWindow(parent_))
        RemoveWindowSubclass(parent_, &Controller::parentProc, subclassId());
    parent_ = parentWindow;
    noteFullscreen(parent_, false);
    SetWindowSubclass(parent_, &Controller::parentProc, subclassId(),
                      reinterpret_cast<DWORD_PTR>(browser_.get()));
    return S_OK;
}
HRESULT Controller::NotifyParentWindowPositionChanged() noexcept {
    return S_OK;
}
HRESULT Controller::Close() noexcept {
    if (view_)
        view_->detach();
    browser_->shutDown();
    return S_OK;
}
HRESULT Controller::get_CoreWebView2(ICoreWebView2** coreWebView2) noexcept {
    if (coreWebView2 == nullptr)
        return E_POINTER;
    *coreWebView2 = view_.get();
    if (*coreWebView2 != nullptr)
        (*coreWebView2)->AddRef();
    return S_OK;
}
void Controller::applyBounds() {
    if (view_ && !browser_->closed)
        view_->resize(bounds_);
}

}  // namespace quorvane::engine
