#include "browser/web_resource_adapter.h"

#include <optional>

#include "browser/browser_host.h"
#include "content/content_server.h"
#include "manifest/app_config.h"
#include "platform/app_paths.h"
#include "platform/scoped_com_mem.h"

namespace quorvane {

namespace {

// Creates the runtime's response and sets it on |args|. When the runtime refuses the answer, a
// bare 500 is offered instead, so the page never waits on a request nobody answered.
void respond(ICoreWebView2WebResourceRequestedEventArgs* args,
             ICoreWebView2Environment* environment, const Answer& answer, Isolation isolation) {
    if (environment == nullptr)
        return;
    ComRef<ICoreWebView2WebResourceResponse> response;
    HRESULT result = environment->CreateWebResourceResponse(
        answer.body.get(), answer.status, answer.reason, headerBlock(answer.headerLines).c_str(),
        response.put());
    if ((FAILED(result) || !response) && answer.status != 500) {
        Answer fallback = internalError(isolation);
        environment->CreateWebResourceResponse(nullptr, fallback.status, fallback.reason,
                                               headerBlock(fallback.headerLines).c_str(),
                                               response.put());
    }
    if (response)
        args->put_Response(response.get());
}

}  // namespace

HRESULT serveResourceFrom(ICoreWebView2WebResourceRequestedEventArgs* args,
                          const std::wstring& contentFolder, ICoreWebView2Environment* environment,
                          MappedFileCache& cache, Isolation isolation) noexcept {
    if (args == nullptr)
        return E_POINTER;
    try {
        ComRef<ICoreWebView2WebResourceRequest> request;
        args->get_Request(request.put());
        ScopedCoMem<wchar_t> uri;
        if (request)
            request->get_Uri(uri.put());
        if (!uri) {
            respond(args, environment, internalError(isolation), isolation);
            return S_OK;
        }
        ComRef<ICoreWebView2HttpRequestHeaders> headers;
        request->get_Headers(headers.put());
        // The method and the request body are never read: every method is answered alike.
        std::optional<std::wstring> range;
        BOOL hasRange = FALSE;
        if (headers && SUCCEEDED(headers->Contains(L"Range", &hasRange)) && hasRange) {
            ScopedCoMem<wchar_t> value;
            if (SUCCEEDED(headers->GetHeader(L"Range", value.put())) && value) {
                range.emplace(value.get());
            }
        }
        respond(
            args, environment,
            answerRequest(uri.get(), range ? &*range : nullptr, contentFolder, cache, isolation),
            isolation);
    } catch (...) {
        try {
            respond(args, environment, internalError(isolation), isolation);
        } catch (...) {
        }
    }
    return S_OK;
}

HRESULT serveResource(ICoreWebView2WebResourceRequestedEventArgs* args) noexcept {
    const Isolation isolation =
        appConfig.crossOriginIsolation ? Isolation::CrossOrigin : Isolation::None;
    try {
        static const std::wstring contentFolder = appFolder() + contentRoot;
        return serveResourceFrom(args, contentFolder, browserHost.environment.get(),
                                 mappedFileCache, isolation);
    } catch (...) {
        // Only the content folder's name could not be made (out of memory).
        if (args == nullptr)
            return E_POINTER;
        try {
            respond(args, browserHost.environment.get(), internalError(isolation), isolation);
        } catch (...) {
        }
        return S_OK;
    }
}

}  // namespace quorvane
