#include "tools/engine-runtime/web_resource.h"

#include "platform/ascii_case.h"
#include "tools/engine-runtime/com_util.h"

namespace quorvane::engine {

std::vector<std::pair<std::wstring, std::wstring>>::iterator RequestHeaders::find(LPCWSTR name) {
    const std::wstring wanted = textOf(name);
    for (auto it = headers_.begin(); it != headers_.end(); ++it) {
        if (equalsIgnoringAsciiCase(it->first, wanted))
            return it;
    }
    return headers_.end();
}

HRESULT RequestHeaders::GetHeader(LPCWSTR name, LPWSTR* value) noexcept {
    if (value == nullptr)
        return E_POINTER;
    *value = nullptr;
    auto found = find(name);
    if (found == headers_.end())
        return HRESULT_FROM_WIN32(ERROR_NOT_FOUND);
    return copyOut(found->second, value);
}

HRESULT RequestHeaders::Contains(LPCWSTR name, BOOL* contains) noexcept {
    if (contains == nullptr)
        return E_POINTER;
    *contains = find(name) != headers_.end();
    return S_OK;
}

HRESULT RequestHeaders::SetHeader(LPCWSTR name, LPCWSTR value) noexcept {
    try {
        auto found = find(name);
        if (found != headers_.end())
            found->second = textOf(value);
        else
            headers_.emplace_back(textOf(name), textOf(value));
        return S_OK;
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

HRESULT RequestHeaders::RemoveHeader(LPCWSTR name) noexcept {
    auto found = find(name);
    if (found != headers_.end())
        headers_.erase(found);
    return S_OK;
}

HRESULT WebResourceRequest::get_Uri(LPWSTR* uri) noexcept {
    return copyOut(uri_, uri);
}
HRESULT WebResourceRequest::put_Uri(LPCWSTR uri) noexcept {
    uri_ = textOf(uri);
    return S_OK;
}
HRESULT WebResourceRequest::get_Method(LPWSTR* method) noexcept {
    return copyOut(method_, method);
}
HRESULT WebResourceRequest::put_Method(LPCWSTR method) noexcept {
    method_ = textOf(method);
    return S_OK;
}
HRESULT WebResourceRequest::get_Content(IStream** content) noexcept {
    if (content == nullptr)
        return E_POINTER;
    *content = content_.get();
    if (*content != nullptr)
        (*content)->AddRef();
    return S_OK;
}
HRESULT WebResourceRequest::put_Content(IStream* content) noexcept {
    content_.copyFrom(content);
    return S_OK;
}
HRESULT WebResourceRequest::get_Headers(ICoreWebView2HttpRequestHeaders** headers) noexcept {
    if (headers == nullptr)
        return E_POINTER;
    *headers = headers_.get();
    if (*headers != nullptr)
        (*headers)->AddRef();
    return S_OK;
}

HRESULT WebResourceResponse::get_Content(IStream** content) noexcept {
    if (content == nullptr)
        return E_POINTER;
    *content = content_.get();
    if (*content != nullptr)
        (*content)->AddRef();
    return S_OK;
}
HRESULT WebResourceResponse::put_Content(IStream* content) noexcept {
    content_.copyFrom(content);
    return S_OK;
}
HRESULT WebResourceResponse::get_StatusCode(int* status) noexcept {
    if (status == nullptr)
        return E_POINTER;
    *status = status_;
    return S_OK;
}
HRESULT WebResourceResponse::put_StatusCode(int status) noexcept {
    status_ = status;
    return S_OK;
}
HRESULT WebResourceResponse::get_ReasonPhrase(LPWSTR* reason) noexcept {
    return copyOut(reason_, reason);
}
HRESULT WebResourceResponse::put_ReasonPhrase(LPCWSTR reason) noexcept {
    reason_ = textOf(reason);
    return S_OK;
}

std::vector<std::pair<std::wstring, std::wstring>> parseHeaderBlock(const std::wstring& block) {
    std::vector<std::pair<std::wstring, std::wstring>> headers;
    size_t start = 0;
    while (start < block.size()) {
        size_t end = block.find(L'\n', start);
        if (end == std::wstring::npos)
            end = block.size();
        std::wstring line = block.substr(start, end - start);
        if (!line.empty() && line.back() == L'\r')
            line.pop_back();
        size_t colon = line.find(L':');
        if (colon != std::wstring::npos && colon > 0) {
            size_t value = line.find_first_not_of(L" \t", colon + 1);
            headers.emplace_back(line.substr(0, colon),
                                 value == std::wstring::npos ? L"" : line.substr(value));
        }
        start = end + 1;
    }
    return headers;
}

}  // namespace quorvane::engine
