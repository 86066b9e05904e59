#pragma once

#include <optional>
#include <string>

#include "webview2/webview2_api.h"
#include "tests/standin/standin_object.h"

namespace quorvane::standin {

class NavigationStartingArgs final
    : public StandinObject<NavigationStartingArgs, ICoreWebView2NavigationStartingEventArgs> {
  public:
    NavigationStartingArgs(std::wstring uri, bool userInitiated, UINT64 navigationId);

    HRESULT STDMETHODCALLTYPE get_Uri(LPWSTR* uri) noexcept override;
    HRESULT STDMETHODCALLTYPE get_IsUserInitiated(BOOL* isUserInitiated) noexcept override;
    HRESULT STDMETHODCALLTYPE get_IsRedirected(BOOL* isRedirected) noexcept override;
    HRESULT STDMETHODCALLTYPE
    get_RequestHeaders(ICoreWebView2HttpRequestHeaders** requestHeaders) noexcept override;
    HRESULT STDMETHODCALLTYPE get_Cancel(BOOL* cancel) noexcept override;
    HRESULT STDMETHODCALLTYPE put_Cancel(BOOL cancel) noexcept override;
    HRESULT STDMETHODCALLTYPE get_NavigationId(UINT64* navigationId) noexcept override;

    bool cancelled() const { return cancel_; }

  private:
    std::wstring uri_;
    bool userInitiated_;
    UINT64 navigationId_;
    bool cancel_ = false;
};

class PermissionRequestedArgs final
    : public StandinObject<PermissionRequestedArgs, ICoreWebView2PermissionRequestedEventArgs> {
  public:
    PermissionRequestedArgs(std::wstring uri, COREWEBVIEW2_PERMISSION_KIND kind,
                            bool userInitiated);

    HRESULT STDMETHODCALLTYPE get_Uri(LPWSTR* uri) noexcept override;
    HRESULT STDMETHODCALLTYPE
    get_PermissionKind(COREWEBVIEW2_PERMISSION_KIND* kind) noexcept override;
    HRESULT STDMETHODCALLTYPE get_IsUserInitiated(BOOL* isUserInitiated) noexcept override;
    HRESULT STDMETHODCALLTYPE get_State(COREWEBVIEW2_PERMISSION_STATE* state) noexcept override;
    HRESULT STDMETHODCALLTYPE put_State(COREWEBVIEW2_PERMISSION_STATE state) noexcept override;
    HRESULT STDMETHODCALLTYPE GetDeferral(ICoreWebView2Deferral** deferral) noexcept override;

    COREWEBVIEW2_PERMISSION_STATE state() const { return state_; }

  private:
    std::wstring uri_;
    COREWEBVIEW2_PERMISSION_KIND kind_;
    bool userInitiated_;
    COREWEBVIEW2_PERMISSION_STATE state_ = COREWEBVIEW2_PERMISSION_STATE_DEFAULT;
};

class NewWindowRequestedArgs final
    : public StandinObject<NewWindowRequestedArgs, ICoreWebView2NewWindowRequestedEventArgs> {
  public:
    NewWindowRequestedArgs(std::wstring uri, bool userInitiated);

    HRESULT STDMETHODCALLTYPE get_Uri(LPWSTR* uri) noexcept override;
    HRESULT STDMETHODCALLTYPE put_NewWindow(ICoreWebView2* newWindow) noexcept override;
    HRESULT STDMETHODCALLTYPE get_NewWindow(ICoreWebView2** newWindow) noexcept override;
    HRESULT STDMETHODCALLTYPE put_Handled(BOOL handled) noexcept override;
    HRESULT STDMETHODCALLTYPE get_Handled(BOOL* handled) noexcept override;
    HRESULT STDMETHODCALLTYPE get_IsUserInitiated(BOOL* isUserInitiated) noexcept override;
    HRESULT STDMETHODCALLTYPE GetDeferral(ICoreWebView2Deferral** deferral) noexcept override;
    HRESULT STDMETHODCALLTYPE
    get_WindowFeatures(ICoreWebView2WindowFeatures** value) noexcept override;

    bool handled() const { return handled_; }
    bool hasNewWindow() const { return static_cast<bool>(newWindow_); }

  private:
    std::wstring uri_;
    bool userInitiated_;
    bool handled_ = false;
    ComRef<ICoreWebView2> newWindow_;
};

class WebMessageReceivedArgs final
    : public StandinObject<WebMessageReceivedArgs, ICoreWebView2WebMessageReceivedEventArgs> {
  public:
    // |asString|: the message when the page posted a string; absent when it posted another value.
    WebMessageReceivedArgs(std::wstring source, std::wstring asJson,
                           std::optional<std::wstring> asString);

    HRESULT STDMETHODCALLTYPE get_Source(LPWSTR* source) noexcept override;
    HRESULT STDMETHODCALLTYPE get_WebMessageAsJson(LPWSTR* webMessageAsJson) noexcept override;
    HRESULT STDMETHODCALLTYPE
    TryGetWebMessageAsString(LPWSTR* webMessageAsString) noexcept override;

  private:
    std::wstring source_;
    std::wstring asJson_;
    std::optional<std::wstring> asString_;
};

class DomContentLoadedArgs final
    : public StandinObject<DomContentLoadedArgs, ICoreWebView2DOMContentLoadedEventArgs> {
  public:
    explicit DomContentLoadedArgs(UINT64 navigationId);
    HRESULT STDMETHODCALLTYPE get_NavigationId(UINT64* navigationId) noexcept override;

  private:
    UINT64 navigationId_;
};

// The arguments of ProcessFailed. The second arguments interface (reason, exit code, description)
// is answered only when |details| is set, as a runtime that has it does; older ones refuse it.
class ProcessFailedArgs final
    : public StandinObject<ProcessFailedArgs, ICoreWebView2ProcessFailedEventArgs2> {
  public:
    ProcessFailedArgs(int kind, int reason, int exitCode, std::wstring description, bool details);

    HRESULT STDMETHODCALLTYPE
    get_ProcessFailedKind(COREWEBVIEW2_PROCESS_FAILED_KIND* kind) noexcept override;
    HRESULT STDMETHODCALLTYPE get_Reason(COREWEBVIEW2_PROCESS_FAILED_REASON* reason) noexcept override;
    HRESULT STDMETHODCALLTYPE get_ExitCode(int* exitCode) noexcept override;
    HRESULT STDMETHODCALLTYPE get_ProcessDescription(LPWSTR* description) noexcept override;
    HRESULT STDMETHODCALLTYPE
    get_FrameInfosForFailedProcess(ICoreWebView2FrameInfoCollection** frames) noexcept override;

  protected:
    bool alsoAnswers(REFIID riid) const override;

  private:
    int kind_;
    int reason_;
    int exitCode_;
    std::wstring description_;
    bool details_;
};

}  // namespace quorvane::standin
