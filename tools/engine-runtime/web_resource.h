#pragma once

#include <string>
#include <utility>
#include <vector>

#include "platform/com_object.h"
#include "platform/com_ref.h"
#include "webview2/webview2_api.h"

namespace quorvane::engine {

// A request's headers as the page's browser sent them; names compare case-insensitively.
class RequestHeaders final : public ComObject<RequestHeaders, ICoreWebView2HttpRequestHeaders> {
  public:
    explicit RequestHeaders(std::vector<std::pair<std::wstring, std::wstring>> headers)
        : ComObject(IID_ICoreWebView2HttpRequestHeaders), headers_(std::move(headers)) {}

    HRESULT STDMETHODCALLTYPE GetHeader(LPCWSTR name, LPWSTR* value) noexcept override;
    // Iterators are not offered.
    HRESULT STDMETHODCALLTYPE
    GetHeaders(LPCWSTR, ICoreWebView2HttpHeadersCollectionIterator**) noexcept override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Contains(LPCWSTR name, BOOL* contains) noexcept override;
    HRESULT STDMETHODCALLTYPE SetHeader(LPCWSTR name, LPCWSTR value) noexcept override;
    HRESULT STDMETHODCALLTYPE RemoveHeader(LPCWSTR name) noexcept override;
    HRESULT STDMETHODCALLTYPE
    GetIterator(ICoreWebView2HttpHeadersCollectionIterator**) noexcept override {
        return E_NOTIMPL;
    }

  private:
    friend class ComObject<RequestHeaders, ICoreWebView2HttpRequestHeaders>;
    ~RequestHeaders() = default;
    std::vector<std::pair<std::wstring, std::wstring>>::iterator find(LPCWSTR name);
    std::vector<std::pair<std::wstring, std::wstring>> headers_;
};

class WebResourceRequest final
    : public ComObject<WebResourceRequest, ICoreWebView2WebResourceRequest> {
  public:
    WebResourceRequest(std::wstring uri, std::wstring method, ComRef<IStream> content,
                       ComRef<RequestHeaders> headers)
        : ComObject(IID_ICoreWebView2WebResourceRequest),
          uri_(std::move(uri)),
          method_(std::move(method)),
          content_(std::move(content)),
          headers_(std::move(headers)) {}

    HRESULT STDMETHODCALLTYPE get_Uri(LPWSTR* uri) noexcept override;
    HRESULT STDMETHODCALLTYPE put_Uri(LPCWSTR uri) noexcept override;
    HRESULT STDMETHODCALLTYPE get_Method(LPWSTR* method) noexcept override;
    HRESULT STDMETHODCALLTYPE put_Method(LPCWSTR method) noexcept override;
    HRESULT STDMETHODCALLTYPE get_Content(IStream** content) noexcept override;
    HRESULT STDMETHODCALLTYPE put_Content(IStream* content) noexcept override;
    HRESULT STDMETHODCALLTYPE
    get_Headers(ICoreWebView2HttpRequestHeaders** headers) noexcept override;

  private:
    friend class ComObject<WebResourceRequest, ICoreWebView2WebResourceRequest>;
    ~WebResourceRequest() = default;
    std::wstring uri_;
    std::wstring method_;
    ComRef<IStream> content_;
    ComRef<RequestHeaders> headers_;
};

// A response made by CreateWebResourceResponse: the stream is read after the handler returned.
class WebResourceResponse final
    : public ComObject<WebResourceResponse, ICoreWebView2WebResourceResponse> {
  public:
    WebResourceResponse(ComRef<IStream> content, int status, std::wstring reason,
                        std::wstring headers)
        : ComObject(IID_ICoreWebView2WebResourceResponse),
          content_(std::move(content)),
          status_(status),
          reason_(std::move(reason)),
          headers_(std::move(headers)) {}

    HRESULT STDMETHODCALLTYPE get_Content(IStream** content) noexcept override;
    HRESULT STDMETHODCALLTYPE put_Content(IStream* content) noexcept override;
    // The response header collection is not offered: headers are given as one block.
    HRESULT STDMETHODCALLTYPE get_Headers(ICoreWebView2HttpResponseHeaders**) noexcept override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE get_StatusCode(int* status) noexcept override;
    HRESULT STDMETHODCALLTYPE put_StatusCode(int status) noexcept override;
    HRESULT STDMETHODCALLTYPE get_ReasonPhrase(LPWSTR* reason) noexcept override;
    HRESULT STDMETHODCALLTYPE put_ReasonPhrase(LPCWSTR reason) noexcept override;

    IStream* content() const { return content_.get(); }
    int status() const { return status_; }
    const std::wstring& reason() const { return reason_; }
    const std::wstring& headerBlock() const { return headers_; }

  private:
    friend class ComObject<WebResourceResponse, ICoreWebView2WebResourceResponse>;
    ~WebResourceResponse() = default;
    ComRef<IStream> content_;
    int status_;
    std::wstring reason_;
    std::wstring headers_;
};

// "Name: value" lines (CRLF or LF) as pairs; lines without a colon are skipped.
std::vector<std::pair<std::wstring, std::wstring>> parseHeaderBlock(const std::wstring& block);

}  // namespace quorvane::engine
