#pragma once

#include <string>
#include <utility>
#include <vector>

#include "webview2/webview2_api.h"
#include "tests/standin/standin_object.h"

namespace quorvane::standin {

class RequestHeaders final : public StandinObject<RequestHeaders, ICoreWebView2HttpRequestHeaders> {
  public:
    // |lines|: "Name: value" lines separated by "\n".
    explicit RequestHeaders(const std::wstring& lines);

    HRESULT STDMETHODCALLTYPE GetHeader(LPCWSTR name, LPWSTR* value) noexcept override;
    HRESULT STDMETHODCALLTYPE GetHeaders(
        LPCWSTR name, ICoreWebView2HttpHeadersCollectionIterator** iterator) noexcept override;
    HRESULT STDMETHODCALLTYPE Contains(LPCWSTR name, BOOL* contains) noexcept override;
    HRESULT STDMETHODCALLTYPE SetHeader(LPCWSTR name, LPCWSTR value) noexcept override;
    HRESULT STDMETHODCALLTYPE RemoveHeader(LPCWSTR name) noexcept override;
    HRESULT STDMETHODCALLTYPE
    GetIterator(ICoreWebView2HttpHeadersCollectionIterator** iterator) noexcept override;

  private:
    const std::pair<std::wstring, std::wstring>* find(LPCWSTR name) const;
    std::vector<std::pair<std::wstring, std::wstring>> headers_;
};

class Request final : public StandinObject<Request, ICoreWebView2WebResourceRequest> {
  public:
    Request(std::wstring uri, std::wstring method, const std::wstring& headerLines);

    HRESULT STDMETHODCALLTYPE get_Uri(LPWSTR* uri) noexcept override;
    HRESULT STDMETHODCALLTYPE put_Uri(LPCWSTR uri) noexcept override;
    HRESULT STDMETHODCALLTYPE get_Method(LPWSTR* method) noexcept override;
    HRESULT STDMETHODCALLTYPE put_Method(LPCWSTR method) noexcept override;
    HRESULT STDMETHODCALLTYPE get_Content(IStream** content) noexcept override;
    HRESULT STDMETHODCALLTYPE put_Content(IStream* content) noexcept override;
    HRESULT STDMETHODCALLTYPE
    get_Headers(ICoreWebView2HttpRequestHeaders** headers) noexcept override;

  private:
    std::wstring uri_;
    std::wstring method_;
    ComRef<IStream> content_;
    ComRef<RequestHeaders> headers_;
};

class Response final : public StandinObject<Response, ICoreWebView2WebResourceResponse> {
  public:
    Response(IStream* content, int statusCode, std::wstring reasonPhrase, std::wstring headers);

    HRESULT STDMETHODCALLTYPE get_Content(IStream** content) noexcept override;
    HRESULT STDMETHODCALLTYPE put_Content(IStream* content) noexcept override;
    HRESULT STDMETHODCALLTYPE
    get_Headers(ICoreWebView2HttpResponseHeaders** headers) noexcept override;
    HRESULT STDMETHODCALLTYPE get_StatusCode(int* statusCode) noexcept override;
    HRESULT STDMETHODCALLTYPE put_StatusCode(int statusCode) noexcept override;
    HRESULT STDMETHODCALLTYPE get_ReasonPhrase(LPWSTR* reasonPhrase) noexcept override;
    HRESULT STDMETHODCALLTYPE put_ReasonPhrase(LPCWSTR reasonPhrase) noexcept override;

    const std::wstring& headerBlock() const { return headers_; }

  private:
    ComRef<IStream> content_;
    int statusCode_;
    std::wstring reasonPhrase_;
    std::wstring headers_;
};

// What a response handed back by the shell says, read through its interface (the header block
// is known only for the stand-in's own responses: "(foreign response)" otherwise).
struct ResponseFacts {
    int statusCode = 0;
    std::wstring reasonPhrase;
    std::wstring headers;
    ComRef<IStream> content;
};
ResponseFacts factsOf(ICoreWebView2WebResourceResponse* response);

class WebResourceRequestedArgs final
    : public StandinObject<WebResourceRequestedArgs, ICoreWebView2WebResourceRequestedEventArgs> {
  public:
    WebResourceRequestedArgs(ComRef<Request> request, COREWEBVIEW2_WEB_RESOURCE_CONTEXT context);

    HRESULT STDMETHODCALLTYPE
    get_Request(ICoreWebView2WebResourceRequest** request) noexcept override;
    HRESULT STDMETHODCALLTYPE
    get_Response(ICoreWebView2WebResourceResponse** response) noexcept override;
    HRESULT STDMETHODCALLTYPE
    put_Response(ICoreWebView2WebResourceResponse* response) noexcept override;
    HRESULT STDMETHODCALLTYPE GetDeferral(ICoreWebView2Deferral** deferral) noexcept override;
    HRESULT STDMETHODCALLTYPE
    get_ResourceContext(COREWEBVIEW2_WEB_RESOURCE_CONTEXT* context) noexcept override;

    ICoreWebView2WebResourceResponse* response() const { return response_.get(); }

  private:
    ComRef<Request> request_;
    ComRef<ICoreWebView2WebResourceResponse> response_;
    COREWEBVIEW2_WEB_RESOURCE_CONTEXT context_;
};

}  // namespace quorvane::standin
