#include "content/content_server.h"

#include <shlwapi.h>

#include <optional>

#include "app/app_paths.h"
#include "app/scoped_com_mem.h"
#include "browser/browser_host.h"
#include "app/ascii_case.h"
#include "content/content_type_table.h"
#include "content/range_answer.h"
#include "content/request_path.h"

namespace quorvane {

namespace {

constexpr char kNotFoundBody[] = "File not found";

Answer notFound() {
    Answer answer;
    answer.status = 404;
    answer.reason = kReasonNotFound;
    answer.headerLines.push_back(L"Cache-Control: no-store");
    answer.body.reset(
        SHCreateMemStream(reinterpret_cast<const BYTE*>(kNotFoundBody), sizeof kNotFoundBody - 1));
    return answer;
}

Answer internalError() {
    Answer answer;
    answer.status = 500;
    answer.reason = kReasonInternalServerError;
    answer.headerLines.push_back(L"Cache-Control: no-store");
    return answer;
}

// Creates the runtime's response and sets it on |args|. When the runtime refuses the answer, a
// bare 500 is offered instead, so the page never waits on a request nobody answered.
void respond(ICoreWebView2WebResourceRequestedEventArgs* args,
             ICoreWebView2Environment* environment, const Answer& answer) {
    if (environment == nullptr)
        return;
    ComRef<ICoreWebView2WebResourceResponse> response;
    HRESULT result = environment->CreateWebResourceResponse(
        answer.body.get(), answer.status, answer.reason, headerBlock(answer.headerLines).c_str(),
        response.put());
    if ((FAILED(result) || !response) && answer.status != 500) {
        Answer fallback = internalError();
        environment->CreateWebResourceResponse(nullptr, fallback.status, fallback.reason,
                                               headerBlock(fallback.headerLines).c_str(),
                                               response.put());
    }
    if (response)
        args->put_Response(response.get());
}

}  // namespace

Answer answerRequest(std::wstring_view uri, const std::wstring* rangeValue,
                     const std::wstring& contentFolder, MappedFileCache& cache) {
    // The runtime's filter only lets the origin's URIs through; anything else is not ours.
    if (uri.size() < appOrigin.size() ||
        !equalsIgnoringAsciiCase(uri.substr(0, appOrigin.size()), appOrigin)) {
        return notFound();
    }
    const std::wstring requestPath = decodeRequestPath(uri.substr(appOrigin.size()));
    if (!isServablePath(requestPath))
        return notFound();
    const std::wstring filePath = filePathFor(contentFolder, requestPath);

    // One call tells existence, kind and the 64-bit size. Folders (the bare origin among them)
    // are not served: there is no default document.
    WIN32_FILE_ATTRIBUTE_DATA attributes{};
    if (!GetFileAttributesExW(filePath.c_str(), GetFileExInfoStandard, &attributes) ||
        (attributes.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return notFound();
    }
    const int64_t size = static_cast<int64_t>(
        (static_cast<uint64_t>(attributes.nFileSizeHigh) << 32) | attributes.nFileSizeLow);

    Answer answer;
    if (rangeValue != nullptr) {
        answer = serveRange(*rangeValue, size, requestPath, filePath, cache);
    } else {
        answer.body = openFileStream(filePath);
        if (answer.body) {
            answer.status = 200;
            answer.reason = kReasonOk;
            answer.headerLines.push_back(L"Content-Length: " +
                                         decimal(static_cast<uint64_t>(size)));
        } else {
            // Exists but cannot be read, typically held by another program that denies reading.
            answer.status = 500;
            answer.reason = kReasonInternalServerError;
        }
    }
    answer.headerLines.insert(
        answer.headerLines.begin(),
        {L"Cache-Control: no-store", L"Content-Type: " + contentTypeFor(requestPath),
         L"Accept-Ranges: bytes"});
    return answer;
}

HRESULT serveResourceFrom(ICoreWebView2WebResourceRequestedEventArgs* args,
                          const std::wstring& contentFolder, ICoreWebView2Environment* environment,
                          MappedFileCache& cache) noexcept {
    if (args == nullptr)
        return E_POINTER;
    try {
        ComRef<ICoreWebView2WebResourceRequest> request;
        args->get_Request(request.put());
        ScopedCoMem<wchar_t> uri;
        if (request)
            request->get_Uri(uri.put());
        if (!uri) {
            respond(args, environment, internalError());
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
        respond(args, environment,
                answerRequest(uri.get(), range ? &*range : nullptr, contentFolder, cache));
    } catch (...) {
        try {
            respond(args, environment, internalError());
        } catch (...) {
        }
    }
    return S_OK;
}

HRESULT serveResource(ICoreWebView2WebResourceRequestedEventArgs* args) noexcept {
    try {
        static const std::wstring contentFolder = appFolder() + contentRoot;
        return serveResourceFrom(args, contentFolder, browserHost.environment.get(),
                                 mappedFileCache);
    } catch (...) {
        // Only the content folder's name could not be made (out of memory).
        if (args == nullptr)
            return E_POINTER;
        try {
            respond(args, browserHost.environment.get(), internalError());
        } catch (...) {
        }
        return S_OK;
    }
}

}  // namespace quorvane
