#pragma once

#include <string>
#include <utility>

#include "platform/com_object.h"
#include "platform/com_ref.h"
#include "webview2/webview2_api.h"
#include "tools/engine-runtime/web_resource.h"

namespace quorvane::engine {

// The event arguments the engine raises. Deferrals are not offered (GetDeferral: E_NOTIMPL): every
// decision must be made before the handler returns.

class WebResourceRequestedArgs final
    : public ComObject<WebResourceRequestedArgs, ICoreWebView2WebResourceRequestedEventArgs> {
  public:
    WebResourceRequestedArgs(ComRef<WebResourceRequest> request,
                             COREWEBVIEW2_WEB_RESOURCE_CONTEXT context)
        : ComObject(IID_ICoreWebView2WebResourceRequestedEventArgs),
          request_(std::move(request)),
          context_(context) {}
    HRESULT STDMETHODCALLTYPE
    get_Request(ICoreWebView2WebResourceRequest** request) noexcept override;
    HRESULT STDMETHODCALLTYPE
    get_Response(ICoreWebView2WebResourceResponse** response) noexcept override;
    HRESULT STDMETHODCALLTYPE
    put_Response(ICoreWebView2WebResourceResponse* response) noexcept override;
    HRESULT STDMETHODCALLTYPE GetDeferral(ICoreWebView2Deferral**) noexcept override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE
    get_ResourceContext(COREWEBVIEW2_WEB_RESOURCE_CONTEXT* context) noexcept override;

    // The response set, when it is one this engine made.
    WebResourceResponse* response() const { return response_.get(); }
    bool foreignResponse() const { return foreign_; }

  private:
    friend class ComObject<WebResourceRequestedArgs, ICoreWebView2WebResourceRequestedEventArgs>;
    ~WebResourceRequestedArgs() = default;
    ComRef<WebResourceRequest> request_;
    COREWEBVIEW2_WEB_RESOURCE_CONTEXT context_;
    ComRef<WebResourceResponse> response_;
    bool foreign_ = false;
};

class NavigationStartingArgs final
    : public ComObject<NavigationStartingArgs, ICoreWebView2NavigationStartingEventArgs> {
  public:
    NavigationStartingArgs(std::wstring uri, bool userInitiated, bool redirected,
                           ComRef<RequestHeaders> headers, UINT64 navigationId)
        : ComObject(IID_ICoreWebView2NavigationStartingEventArgs),
          uri_(std::move(uri)),
          userInitiated_(userInitiated),
          redirected_(redirected),
          headers_(std::move(headers)),
          navigationId_(navigationId) {}
    HRESULT STDMETHODCALLTYPE get_Uri(LPWSTR* uri) noexcept override;
    HRESULT STDMETHODCALLTYPE get_IsUserInitiated(BOOL* value) noexcept override;
    HRESULT STDMETHODCALLTYPE get_IsRedirected(BOOL* value) noexcept override;
    HRESULT STDMETHODCALLTYPE
    get_RequestHeaders(ICoreWebView2HttpRequestHeaders** headers) noexcept override;
    HRESULT STDMETHODCALLTYPE get_Cancel(BOOL* cancel) noexcept override;
    HRESULT STDMETHODCALLTYPE put_Cancel(BOOL cancel) noexcept override;
    HRESULT STDMETHODCALLTYPE get_NavigationId(UINT64* id) noexcept override;
    bool cancelled() const { return cancel_; }

  private:
    friend class ComObject<NavigationStartingArgs, ICoreWebView2NavigationStartingEventArgs>;
    ~NavigationStartingArgs() = default;
    std::wstring uri_;
    bool userInitiated_;
    bool redirected_;
    ComRef<RequestHeaders> headers_;
    UINT64 navigationId_;
    bool cancel_ = false;
};

class NewWindowRequestedArgs final
    : public ComObject<NewWindowRequestedArgs, ICoreWebView2NewWindowRequestedEventArgs> {
  public:
    NewWindowRequestedArgs(std::wstring uri, bool userInitiated)
        : ComObject(IID_ICoreWebView2NewWindowRequestedEventArgs),
          uri_(std::move(uri)),
          userInitiated_(userInitiated) {}
    HRESULT STDMETHODCALLTYPE get_Uri(LPWSTR* uri) noexcept override;
    // Opening the new window in a view of the host's is not offered.
    HRESULT STDMETHODCALLTYPE put_NewWindow(ICoreWebView2*) noexcept override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_NewWindow(ICoreWebView2** view) noexcept override;
    HRESULT STDMETHODCALLTYPE put_Handled(BOOL handled) noexcept override;
    HRESULT STDMETHODCALLTYPE get_Handled(BOOL* handled) noexcept override;
    HRESULT STDMETHODCALLTYPE get_IsUserInitiated(BOOL* value) noexcept override;
    HRESULT STDMETHODCALLTYPE GetDeferral(ICoreWebView2Deferral**) noexcept override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE get_WindowFeatures(ICoreWebView2WindowFeatures**) noexcept override {
        return E_NOTIMPL;
    }
    bool handled() const { return handled_; }

  private:
    friend class ComObject<NewWindowRequestedArgs, ICoreWebView2NewWindowRequestedEventArgs>;
    ~NewWindowRequestedArgs() = default;
    std::wstring uri_;
    bool userInitiated_;
    bool handled_ = false;
};

class WebMessageReceivedArgs final
    : public ComObject<WebMessageReceivedArgs, ICoreWebView2WebMessageReceivedEventArgs> {
  public:
    // |isString|: the page posted a string (|json| is then that string as a JSON literal).
    WebMessageReceivedArgs(std::wstring source, std::wstring json, bool isString, std::wstring text)
        : ComObject(IID_ICoreWebView2WebMessageReceivedEventArgs),
          source_(std::move(source)),
          json_(std::move(json)),
          isString_(isString),
          text_(std::move(text)) {}
    HRESULT STDMETHODCALLTYPE get_Source(LPWSTR* source) noexcept override;
    HRESULT STDMETHODCALLTYPE get_WebMessageAsJson(LPWSTR* json) noexcept override;
    HRESULT STDMETHODCALLTYPE TryGetWebMessageAsString(LPWSTR* text) noexcept override;

  private:
    friend class ComObject<WebMessageReceivedArgs, ICoreWebView2WebMessageReceivedEventArgs>;
    ~WebMessageReceivedArgs() = default;
    std::wstring source_;
    std::wstring json_;
    bool isString_;
    std::wstring text_;
};

class PermissionRequestedArgs final
    : public ComObject<PermissionRequestedArgs, ICoreWebView2PermissionRequestedEventArgs> {
  public:
    PermissionRequestedArgs(std::wstring uri, COREWEBVIEW2_PERMISSION_KIND kind, bool userInitiated)
        : ComObject(IID_ICoreWebView2PermissionRequestedEventArgs),
          uri_(std::move(uri)),
          kind_(kind),
          userInitiated_(userInitiated) {}
    HRESULT STDMETHODCALLTYPE get_Uri(LPWSTR* uri) noexcept override;
    HRESULT STDMETHODCALLTYPE
    get_PermissionKind(COREWEBVIEW2_PERMISSION_KIND* kind) noexcept override;
    HRESULT STDMETHODCALLTYPE get_IsUserInitiated(BOOL* value) noexcept override;
    HRESULT STDMETHODCALLTYPE get_State(COREWEBVIEW2_PERMISSION_STATE* state) noexcept override;
    HRESULT STDMETHODCALLTYPE put_State(COREWEBVIEW2_PERMISSION_STATE state) noexcept override;
    HRESULT STDMETHODCALLTYPE GetDeferral(ICoreWebView2Deferral**) noexcept override {
        return E_NOTIMPL;
    }
    COREWEBVIEW2_PERMISSION_STATE state() const { return state_; }

  private:
    friend class ComObject<PermissionRequestedArgs, ICoreWebView2PermissionRequestedEventArgs>;
    ~PermissionRequestedArgs() = default;
    std::wstring uri_;
    COREWEBVIEW2_PERMISSION_KIND kind_;
    bool userInitiated_;
    COREWEBVIEW2_PERMISSION_STATE state_ = COREWEBVIEW2_PERMISSION_STATE_DEFAULT;
};

class DOMContentLoadedArgs final
    : public ComObject<DOMContentLoadedArgs, ICoreWebView2DOMContentLoadedEventArgs> {
  public:
    explicit DOMContentLoadedArgs(UINT64 navigationId)
        : ComObject(IID_ICoreWebView2DOMContentLoadedEventArgs), navigationId_(navigationId) {}
    HRESULT STDMETHODCALLTYPE get_NavigationId(UINT64* id) noexcept override;

  private:
    friend class ComObject<DOMContentLoadedArgs, ICoreWebView2DOMContentLoadedEventArgs>;
    ~DOMContentLoadedArgs() = default;
    UINT64 navigationId_;
};

// Both argument interfaces of ProcessFailed, as runtimes since the second one's SDK offer them.
class ProcessFailedArgs final
    : public ComObject<ProcessFailedArgs, ICoreWebView2ProcessFailedEventArgs2> {
  public:
    ProcessFailedArgs(COREWEBVIEW2_PROCESS_FAILED_KIND kind,
                      COREWEBVIEW2_PROCESS_FAILED_REASON reason, int exitCode,
                      std::wstring description)
        : ComObject(IID_ICoreWebView2ProcessFailedEventArgs2),
          kind_(kind),
          reason_(reason),
          exitCode_(exitCode),
          description_(std::move(description)) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) noexcept override;
    HRESULT STDMETHODCALLTYPE
    get_ProcessFailedKind(COREWEBVIEW2_PROCESS_FAILED_KIND* kind) noexcept override;
    HRESULT STDMETHODCALLTYPE get_Reason(COREWEBVIEW2_PROCESS_FAILED_REASON* reason) noexcept override;
    HRESULT STDMETHODCALLTYPE get_ExitCode(int* exitCode) noexcept override;
    HRESULT STDMETHODCALLTYPE get_ProcessDescription(LPWSTR* description) noexcept override;
    // Frame information is not offered.
    HRESULT STDMETHODCALLTYPE
    get_FrameInfosForFailedProcess(ICoreWebView2FrameInfoCollection** frames) noexcept override {
        if (frames != nullptr)
            *frames = nullptr;
        return E_NOTIMPL;
    }

  private:
    friend class ComObject<ProcessFailedArgs, ICoreWebView2ProcessFailedEventArgs2>;
    ~ProcessFailedArgs() = default;
    COREWEBVIEW2_PROCESS_FAILED_KIND kind_;
    COREWEBVIEW2_PROCESS_FAILED_REASON reason_;
    int exitCode_;
    std::wstring description_;
};

}  // namespace quorvane::engine
