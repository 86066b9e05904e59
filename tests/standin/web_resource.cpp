#include "tests/standin/web_resource.h"

#include "platform/scoped_com_mem.h"

namespace quorvane::standin {

namespace {

std::wstring trim(const std::wstring& text) {
    size_t first = text.find_first_not_of(L" \t\r");
    if (first == std::wstring::npos)
        return {};
    size_t last = text.find_last_not_of(L" \t\r");
    return text.substr(first, last - first + 1);
}

}  // namespace

RequestHeaders::RequestHeaders(const std::wstring& lines)
    : StandinObject(IID_ICoreWebView2HttpRequestHeaders) {
    size_t start = 0;
    while (start < lines.size()) {
        size_t end = lines.find(L'\n', start);
        if (end == std::wstring::npos)
            end = lines.size();
        std::wstring line = lines.substr(start, end - start);
        size_t colon = line.find(L':');
        if (colon != std::wstring::npos) {
            headers_.emplace_back(trim(line.substr(0, colon)), trim(line.substr(colon + 1)));
        }
        start = end + 1;
    }
}

const std::pair<std::wstring, std::wstring>* RequestHeaders::find(LPCWSTR name) const {
    for (const auto& header : headers_) {
        if (_wcsicmp(header.first.c_str(), name) == 0)
            return &header;
    }
    return nullptr;
}

HRESULT RequestHeaders::GetHeader(LPCWSTR name, LPWSTR* value) noexcept {
    if (value == nullptr)
        return E_POINTER;
    *value = nullptr;
    if (name == nullptr)
        return E_INVALIDARG;
    const auto* header = find(name);
    if (header == nullptr)
        return HRESULT_FROM_WIN32(ERROR_NOT_FOUND);
    return copyOut(header->second, value);
}

HRESULT RequestHeaders::GetHeaders(LPCWSTR,
                                   ICoreWebView2HttpHeadersCollectionIterator** iterator) noexcept {
    if (iterator != nullptr)
        *iterator = nullptr;
    return unsupported(L"ICoreWebView2HttpRequestHeaders::GetHeaders");
}

HRESULT RequestHeaders::Contains(LPCWSTR name, BOOL* contains) noexcept {
    if (contains == nullptr)
        return E_POINTER;
    *contains = name != nullptr && find(name) != nullptr;
    return S_OK;
}

HRESULT RequestHeaders::SetHeader(LPCWSTR name, LPCWSTR value) noexcept {
    if (name == nullptr || value == nullptr)
        return E_INVALIDARG;
    try {
        for (auto& header : headers_) {
            if (_wcsicmp(header.first.c_str(), name) == 0) {
                header.second = value;
                return S_OK;
            }
        }
        headers_.emplace_back(name, value);
        return S_OK;
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

HRESULT RequestHeaders::RemoveHeader(LPCWSTR name) noexcept {
    if (name == nullptr)
        return E_INVALIDARG;
    std::erase_if(headers_,
                  [name](const auto& header) { return _wcsicmp(header.first.c_str(), name) == 0; });
    return S_OK;
}

HRESULT RequestHeaders::GetIterator(
    ICoreWebView2HttpHeadersCollectionIterator** iterator) noexcept {
    if (iterator != nullptr)
        *iterator = nullptr;
    return unsupported(L"ICoreWebView2HttpRequestHeaders::GetIterator");
}

Request::Request(std::wstring uri, std::wstring method, const std::wstring& headerLines)
    : StandinObject(IID_ICoreWebView2WebResourceRequest),
      uri_(std::move(uri)),
      method_(std::move(method)),
      headers_(makeObject<RequestHeaders>(headerLines)) {}

HRESULT Request::get_Uri(LPWSTR* uri) noexcept {
    return copyOut(uri_, uri);
}

HRESULT Request::put_Uri(LPCWSTR uri) noexcept {
    if (uri == nullptr)
        return E_INVALIDARG;
    uri_ = uri;
    return S_OK;
}

HRESULT Request::get_Method(LPWSTR* method) noexcept {
    return copyOut(method_, method);
}

HRESULT Request::put_Method(LPCWSTR method) noexcept {
    if (method == nullptr)
        return E_INVALIDARG;
    method_ = method;
    return S_OK;
}

HRESULT Request::get_Content(IStream** content) noexcept {
    if (content == nullptr)
        return E_POINTER;
    *content = ComRef<IStream>::copyOf(content_.get()).detach();
    return S_OK;
}

HRESULT Request::put_Content(IStream* content) noexcept {
    content_.copyFrom(content);
    return S_OK;
}

HRESULT Request::get_Headers(ICoreWebView2HttpRequestHeaders** headers) noexcept {
    if (headers == nullptr)
        return E_POINTER;
    *headers = ComRef<ICoreWebView2HttpRequestHeaders>::copyOf(headers_.get()).detach();
    return *headers != nullptr ? S_OK : E_OUTOFMEMORY;
}

Response::Response(IStream* content, int statusCode, std::wstring reasonPhrase,
                   std::wstring headers)
    : StandinObject(IID_ICoreWebView2WebResourceResponse),
      content_(ComRef<IStream>::copyOf(content)),
      statusCode_(statusCode),
      reasonPhrase_(std::move(reasonPhrase)),
      headers_(std::move(headers)) {}

HRESULT Response::get_Content(IStream** content) noexcept {
    if (content == nullptr)
        return E_POINTER;
    *content = ComRef<IStream>::copyOf(content_.get()).detach();
    return S_OK;
}

HRESULT Response::put_Content(IStream* content) noexcept {
    content_.copyFrom(content);
    return S_OK;
}

HRESULT Response::get_Headers(ICoreWebView2HttpResponseHeaders** headers) noexcept {
    if (headers != nullptr)
        *headers = nullptr;
    return unsupported(L"ICoreWebView2WebResourceResponse::get_Headers");
}

HRESULT Response::get_StatusCode(int* statusCode) noexcept {
    if (statusCode == nullptr)
        return E_POINTER;
    *statusCode = statusCode_;
    return S_OK;
}

HRESULT Response::put_StatusCode(int statusCode) noexcept {
    statusCode_ = statusCode;
    return S_OK;
}

HRESULT Response::get_ReasonPhrase(LPWSTR* reasonPhrase) noexcept {
    return copyOut(reasonPhrase_, reasonPhrase);
}

HRESULT Response::put_ReasonPhrase(LPCWSTR reasonPhrase) noexcept {
    if (reasonPhrase == nullptr)
        return E_INVALIDARG;
    reasonPhrase_ = reasonPhrase;
    return S_OK;
}

ResponseFacts factsOf(ICoreWebView2WebResourceResponse* response) {
    ResponseFacts facts;
    if (response == nullptr)
        return facts;
    response->get_StatusCode(&facts.statusCode);
    ScopedCoMem<wchar_t> reason;
    if (SUCCEEDED(response->get_ReasonPhrase(reason.put())) && reason) {
        facts.reasonPhrase = reason.get();
    }
    response->get_Content(facts.content.put());
    ComRef<Response> ours = asStandin<Response>(response);
    facts.headers = ours ? ours->headerBlock() : L"(foreign response)";
    return facts;
}

WebResourceRequestedArgs::WebResourceRequestedArgs(ComRef<Request> request,
                                                   COREWEBVIEW2_WEB_RESOURCE_CONTEXT context)
    : StandinObject(IID_ICoreWebView2WebResourceRequestedEventArgs),
      request_(std::move(request)),
      context_(context) {}

HRESULT WebResourceRequestedArgs::get_Request(ICoreWebView2WebResourceRequest** request) noexcept {
    if (request == nullptr)
        return E_POINTER;
    *request = ComRef<ICoreWebView2WebResourceRequest>::copyOf(request_.get()).detach();
    return S_OK;
}

HRESULT WebResourceRequestedArgs::get_Response(
    ICoreWebView2WebResourceResponse** response) noexcept {
    if (response == nullptr)
        return E_POINTER;
    *response = ComRef<ICoreWebView2WebResourceResponse>::copyOf(response_.get()).detach();
    return S_OK;
}

HRESULT WebResourceRequestedArgs::put_Response(
    ICoreWebView2WebResourceResponse* response) noexcept {
    response_.copyFrom(response);
    return S_OK;
}

HRESULT WebResourceRequestedArgs::GetDeferral(ICoreWebView2Deferral** deferral) noexcept {
    if (deferral != nullptr)
        *deferral = nullptr;
    return unsupported(L"ICoreWebView2WebResourceRequestedEventArgs::GetDeferral");
}

HRESULT WebResourceRequestedArgs::get_ResourceContext(
    COREWEBVIEW2_WEB_RESOURCE_CONTEXT* context) noexcept {
    if (context == nullptr)
        return E_POINTER;
    *context = context_;
    return S_OK;
}

}  // namespace quorvane::standin
