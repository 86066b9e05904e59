#include "tests/standin/event_args.h"

#include "tests/standin/web_resource.h"

namespace quorvane::standin {

namespace {}  // namespace

NavigationStartingArgs::NavigationStartingArgs(std::wstring uri, bool userInitiated,
                                               UINT64 navigationId)
    : StandinObject(IID_ICoreWebView2NavigationStartingEventArgs),
      uri_(std::move(uri)),
      userInitiated_(userInitiated),
      navigationId_(navigationId) {}

HRESULT NavigationStartingArgs::get_Uri(LPWSTR* uri) noexcept {
    return copyOut(uri_, uri);
}

HRESULT NavigationStartingArgs::get_IsUserInitiated(BOOL* isUserInitiated) noexcept {
    return copyBool(userInitiated_, isUserInitiated);
}

HRESULT NavigationStartingArgs::get_IsRedirected(BOOL* isRedirected) noexcept {
    return copyBool(false, isRedirected);
}

HRESULT NavigationStartingArgs::get_RequestHeaders(
    ICoreWebView2HttpRequestHeaders** requestHeaders) noexcept {
    if (requestHeaders == nullptr)
        return E_POINTER;
    *requestHeaders = makeObject<RequestHeaders>(std::wstring()).detach();
    return *requestHeaders != nullptr ? S_OK : E_OUTOFMEMORY;
}

HRESULT NavigationStartingArgs::get_Cancel(BOOL* cancel) noexcept {
    return copyBool(cancel_, cancel);
}

HRESULT NavigationStartingArgs::put_Cancel(BOOL cancel) noexcept {
    cancel_ = cancel != FALSE;
    return S_OK;
}

HRESULT NavigationStartingArgs::get_NavigationId(UINT64* navigationId) noexcept {
    if (navigationId == nullptr)
        return E_POINTER;
    *navigationId = navigationId_;
    return S_OK;
}

PermissionRequestedArgs::PermissionRequestedArgs(std::wstring uri,
                                                 COREWEBVIEW2_PERMISSION_KIND kind,
                                                 bool userInitiated)
    : StandinObject(IID_ICoreWebView2PermissionRequestedEventArgs),
      uri_(std::move(uri)),
      kind_(kind),
      userInitiated_(userInitiated) {}

HRESULT PermissionRequestedArgs::get_Uri(LPWSTR* uri) noexcept {
    return copyOut(uri_, uri);
}

HRESULT PermissionRequestedArgs::get_PermissionKind(COREWEBVIEW2_PERMISSION_KIND* kind) noexcept {
    if (kind == nullptr)
        return E_POINTER;
    *kind = kind_;
    return S_OK;
}

HRESULT PermissionRequestedArgs::get_IsUserInitiated(BOOL* isUserInitiated) noexcept {
    return copyBool(userInitiated_, isUserInitiated);
}

HRESULT PermissionRequestedArgs::get_State(COREWEBVIEW2_PERMISSION_STATE* state) noexcept {
    if (state == nullptr)
        return E_POINTER;
    *state = state_;
    return S_OK;
}

HRESULT PermissionRequestedArgs::put_State(COREWEBVIEW2_PERMISSION_STATE state) noexcept {
    state_ = state;
    return S_OK;
}

HRESULT PermissionRequestedArgs::GetDeferral(ICoreWebView2Deferral** deferral) noexcept {
    if (deferral != nullptr)
        *deferral = nullptr;
    return unsupported(L"ICoreWebView2PermissionRequestedEventArgs::GetDeferral");
}

NewWindowRequestedArgs::NewWindowRequestedArgs(std::wstring uri, bool userInitiated)
    : StandinObject(IID_ICoreWebView2NewWindowRequestedEventArgs),
      uri_(std::move(uri)),
      userInitiated_(userInitiated) {}

HRESULT NewWindowRequestedArgs::get_Uri(LPWSTR* uri) noexcept {
    return copyOut(uri_, uri);
}

HRESULT NewWindowRequestedArgs::put_NewWindow(ICoreWebView2* newWindow) noexcept {
    newWindow_.copyFrom(newWindow);
    return S_OK;
}

HRESULT NewWindowRequestedArgs::get_NewWindow(ICoreWebView2** newWindow) noexcept {
    if (newWindow == nullptr)
        return E_POINTER;
    *newWindow = ComRef<ICoreWebView2>::copyOf(newWindow_.get()).detach();
    return S_OK;
}

HRESULT NewWindowRequestedArgs::put_Handled(BOOL handled) noexcept {
    handled_ = handled != FALSE;
    return S_OK;
}

HRESULT NewWindowRequestedArgs::get_Handled(BOOL* handled) noexcept {
    return copyBool(handled_, handled);
}

HRESULT NewWindowRequestedArgs::get_IsUserInitiated(BOOL* isUserInitiated) noexcept {
    return copyBool(userInitiated_, isUserInitiated);
}

HRESULT NewWindowRequestedArgs::GetDeferral(ICoreWebView2Deferral** deferral) noexcept {
    if (deferral != nullptr)
        *deferral = nullptr;
    return unsupported(L"ICoreWebView2NewWindowRequestedEventArgs::GetDeferral");
}

HRESULT NewWindowRequestedArgs::get_WindowFeatures(ICoreWebView2WindowFeatures** value) noexcept {
    if (value != nullptr)
        *value = nullptr;
    return unsupported(L"ICoreWebView2NewWindowRequestedEventArgs::get_WindowFeatures");
}

WebMessageReceivedArgs::WebMessageReceivedArgs(std::wstring source, std::wstring asJson,
                                               std::optional<std::wstring> asString)
    : StandinObject(IID_ICoreWebView2WebMessageReceivedEventArgs),
      source_(std::move(source)),
      asJson_(std::move(asJson)),
      asString_(std::move(asString)) {}

HRESULT WebMessageReceivedArgs::get_Source(LPWSTR* source) noexcept {
    return copyOut(source_, source);
}

HRESULT WebMessageReceivedArgs::get_WebMessageAsJson(LPWSTR* webMessageAsJson) noexcept {
    return copyOut(asJson_, webMessageAsJson);
}

// The runtime fails with E_INVALIDARG, and hands out no string, when the page posted anything
// but a string.
HRESULT WebMessageReceivedArgs::TryGetWebMessageAsString(LPWSTR* webMessageAsString) noexcept {
    if (webMessageAsString == nullptr)
        return E_POINTER;
    *webMessageAsString = nullptr;
    if (!asString_)
        return E_INVALIDARG;
    return copyOut(*asString_, webMessageAsString);
}

DomContentLoadedArgs::DomContentLoadedArgs(UINT64 navigationId)
    : StandinObject(IID_ICoreWebView2DOMContentLoadedEventArgs), navigationId_(navigationId) {}

HRESULT DomContentLoadedArgs::get_NavigationId(UINT64* navigationId) noexcept {
    if (navigationId == nullptr)
        return E_POINTER;
    *navigationId = navigationId_;
    return S_OK;
}

ProcessFailedArgs::ProcessFailedArgs(int kind, int reason, int exitCode, std::wstring description,
                                     bool details)
    : StandinObject(IID_ICoreWebView2ProcessFailedEventArgs),
      kind_(kind),
      reason_(reason),
      exitCode_(exitCode),
      description_(std::move(description)),
      details_(details) {}

bool ProcessFailedArgs::alsoAnswers(REFIID riid) const {
    return details_ && IsEqualIID(riid, IID_ICoreWebView2ProcessFailedEventArgs2);
}

HRESULT ProcessFailedArgs::get_ProcessFailedKind(COREWEBVIEW2_PROCESS_FAILED_KIND* kind) noexcept {
    if (kind == nullptr)
        return E_POINTER;
    *kind = static_cast<COREWEBVIEW2_PROCESS_FAILED_KIND>(kind_);
    return S_OK;
}

HRESULT ProcessFailedArgs::get_Reason(COREWEBVIEW2_PROCESS_FAILED_REASON* reason) noexcept {
    if (reason == nullptr)
        return E_POINTER;
    *reason = static_cast<COREWEBVIEW2_PROCESS_FAILED_REASON>(reason_);
    return S_OK;
}

HRESULT ProcessFailedArgs::get_ExitCode(int* exitCode) noexcept {
    if (exitCode == nullptr)
        return E_POINTER;
    *exitCode = exitCode_;
    return S_OK;
}

HRESULT ProcessFailedArgs::get_ProcessDescription(LPWSTR* description) noexcept {
    return copyOut(description_, description);
}

HRESULT ProcessFailedArgs::get_FrameInfosForFailedProcess(
    ICoreWebView2FrameInfoCollection** frames) noexcept {
    if (frames != nullptr)
        *frames = nullptr;
    return unsupported(L"ICoreWebView2ProcessFailedEventArgs2::get_FrameInfosForFailedProcess");
}

}  // namespace quorvane::standin
