#include "tools/engine-runtime/event_args.h"

#include "tools/engine-runtime/com_util.h"

namespace quorvane::engine {

namespace {
template <typename T>
HRESULT give(T* object, T** out) {
    if (out == nullptr)
        return E_POINTER;
    *out = object;
    if (object != nullptr)
        object->AddRef();
    return S_OK;
}
template <typename T>
HRESULT giveValue(T value, T* out) {
    if (out == nullptr)
        return E_POINTER;
    *out = value;
    return S_OK;
}
}  // namespace

HRESULT WebResourceRequestedArgs::get_Request(ICoreWebView2WebResourceRequest** request) noexcept {
    return give<ICoreWebView2WebResourceRequest>(request_.get(), request);
}
HRESULT WebResourceRequestedArgs::get_Response(
    ICoreWebView2WebResourceResponse** response) noexcept {
    return give<ICoreWebView2WebResourceResponse>(response_.get(), response);
}
HRESULT WebResourceRequestedArgs::put_Response(
    ICoreWebView2WebResourceResponse* response) noexcept {
    // Only responses this runtime made (CreateWebResourceResponse) can be answered.
    auto* own = dynamic_cast<WebResourceResponse*>(response);
    if (response != nullptr && own == nullptr) {
        foreign_ = true;
        return E_INVALIDARG;
    }
    response_.copyFrom(own);
    return S_OK;
}
HRESULT WebResourceRequestedArgs::get_ResourceContext(
    COREWEBVIEW2_WEB_RESOURCE_CONTEXT* context) noexcept {
    return giveValue(context_, context);
}

HRESULT NavigationStartingArgs::get_Uri(LPWSTR* uri) noexcept {
    return copyOut(uri_, uri);
}
HRESULT NavigationStartingArgs::get_IsUserInitiated(BOOL* value) noexcept {
    return giveValue<BOOL>(userInitiated_, value);
}
HRESULT NavigationStartingArgs::get_IsRedirected(BOOL* value) noexcept {
    return giveValue<BOOL>(redirected_, value);
}
HRESULT NavigationStartingArgs::get_RequestHeaders(
    ICoreWebView2HttpRequestHeaders** headers) noexcept {
    return give<ICoreWebView2HttpRequestHeaders>(headers_.get(), headers);
}
HRESULT NavigationStartingArgs::get_Cancel(BOOL* cancel) noexcept {
    return giveValue<BOOL>(cancel_, cancel);
}
HRESULT NavigationStartingArgs::put_Cancel(BOOL cancel) noexcept {
    cancel_ = cancel != FALSE;
    return S_OK;
}
HRESULT NavigationStartingArgs::get_NavigationId(UINT64* id) noexcept {
    return giveValue(navigationId_, id);
}

HRESULT NewWindowRequestedArgs::get_Uri(LPWSTR* uri) noexcept {
    return copyOut(uri_, uri);
}
HRESULT NewWindowRequestedArgs::get_NewWindow(ICoreWebView2** view) noexcept {
    return give<ICoreWebView2>(nullptr, view);
}
HRESULT NewWindowRequestedArgs::put_Handled(BOOL handled) noexcept {
    handled_ = handled != FALSE;
    return S_OK;
}
HRESULT NewWindowRequestedArgs::get_Handled(BOOL* handled) noexcept {
    return giveValue<BOOL>(handled_, handled);
}
HRESULT NewWindowRequestedArgs::get_IsUserInitiated(BOOL* value) noexcept {
    return giveValue<BOOL>(userInitiated_, value);
}

HRESULT WebMessageReceivedArgs::get_Source(LPWSTR* source) noexcept {
    return copyOut(source_, source);
}
HRESULT WebMessageReceivedArgs::get_WebMessageAsJson(LPWSTR* json) noexcept {
    return copyOut(json_, json);
}
HRESULT WebMessageReceivedArgs::TryGetWebMessageAsString(LPWSTR* text) noexcept {
    if (text == nullptr)
        return E_POINTER;
    *text = nullptr;
    // As the runtime answers for a message that was not posted as a string.
    if (!isString_)
        return E_INVALIDARG;
    return copyOut(text_, text);
}

HRESULT PermissionRequestedArgs::get_Uri(LPWSTR* uri) noexcept {
    return copyOut(uri_, uri);
}
HRESULT PermissionRequestedArgs::get_PermissionKind(COREWEBVIEW2_PERMISSION_KIND* kind) noexcept {
    return giveValue(kind_, kind);
}
HRESULT PermissionRequestedArgs::get_IsUserInitiated(BOOL* value) noexcept {
    return giveValue<BOOL>(userInitiated_, value);
}
HRESULT PermissionRequestedArgs::get_State(COREWEBVIEW2_PERMISSION_STATE* state) noexcept {
    return giveValue(state_, state);
}
HRESULT PermissionRequestedArgs::put_State(COREWEBVIEW2_PERMISSION_STATE state) noexcept {
    state_ = state;
    return S_OK;
}

HRESULT DOMContentLoadedArgs::get_NavigationId(UINT64* id) noexcept {
    return giveValue(navigationId_, id);
}

HRESULT ProcessFailedArgs::QueryInterface(REFIID riid, void** object) noexcept {
    if (object != nullptr && IsEqualIID(riid, IID_ICoreWebView2ProcessFailedEventArgs)) {
        *object = static_cast<ICoreWebView2ProcessFailedEventArgs*>(this);
        AddRef();
        return S_OK;
    }
    return ComObject::QueryInterface(riid, object);
}
HRESULT ProcessFailedArgs::get_ProcessFailedKind(COREWEBVIEW2_PROCESS_FAILED_KIND* kind) noexcept {
    return giveValue(kind_, kind);
}
HRESULT ProcessFailedArgs::get_Reason(COREWEBVIEW2_PROCESS_FAILED_REASON* reason) noexcept {
    return giveValue(reason_, reason);
}
HRESULT ProcessFailedArgs::get_ExitCode(int* exitCode) noexcept {
    return giveValue(exitCode_, exitCode);
}
HRESULT ProcessFailedArgs::get_ProcessDescription(LPWSTR* description) noexcept {
    return copyOut(description_, description);
}

}  // namespace quorvane::engine
