// The view's resource requests: which requests are held for the host (the filters), raising
// WebResourceRequested, and answering with the host's response, whose body is read on one worker
// thread as the runtime reads it.
#include "tools/engine-runtime/web_view.h"

#include <shlwapi.h>

#include "platform/utf8.h"
#include "platform/wildcard.h"
#include "tools/engine-runtime/base64.h"
#include "tools/engine-runtime/com_util.h"
#include "tools/engine-runtime/engine_log.h"

namespace quorvane::engine {

namespace {

ULONGLONG nowUs() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return static_cast<ULONGLONG>(counter.QuadPart) * 1000000ULL /
           static_cast<ULONGLONG>(frequency.QuadPart);
}

// The protocol's resource types against the runtime's resource contexts.
const struct {
    const char* type;
    COREWEBVIEW2_WEB_RESOURCE_CONTEXT context;
} kContexts[] = {
    {"Document", COREWEBVIEW2_WEB_RESOURCE_CONTEXT_DOCUMENT},
    {"Stylesheet", COREWEBVIEW2_WEB_RESOURCE_CONTEXT_STYLESHEET},
    {"Image", COREWEBVIEW2_WEB_RESOURCE_CONTEXT_IMAGE},
    {"Media", COREWEBVIEW2_WEB_RESOURCE_CONTEXT_MEDIA},
    {"Font", COREWEBVIEW2_WEB_RESOURCE_CONTEXT_FONT},
    {"Script", COREWEBVIEW2_WEB_RESOURCE_CONTEXT_SCRIPT},
    {"XHR", COREWEBVIEW2_WEB_RESOURCE_CONTEXT_XML_HTTP_REQUEST},
    {"Fetch", COREWEBVIEW2_WEB_RESOURCE_CONTEXT_FETCH},
    {"TextTrack", COREWEBVIEW2_WEB_RESOURCE_CONTEXT_TEXT_TRACK},
    {"EventSource", COREWEBVIEW2_WEB_RESOURCE_CONTEXT_EVENT_SOURCE},
    {"WebSocket", COREWEBVIEW2_WEB_RESOURCE_CONTEXT_WEBSOCKET},
    {"Manifest", COREWEBVIEW2_WEB_RESOURCE_CONTEXT_MANIFEST},
    {"SignedExchange", COREWEBVIEW2_WEB_RESOURCE_CONTEXT_SIGNED_EXCHANGE},
    {"Ping", COREWEBVIEW2_WEB_RESOURCE_CONTEXT_PING},
    {"CSPViolationReport", COREWEBVIEW2_WEB_RESOURCE_CONTEXT_CSP_VIOLATION_REPORT},
};

COREWEBVIEW2_WEB_RESOURCE_CONTEXT contextOf(const std::string& type) {
    for (const auto& entry : kContexts) {
        if (type == entry.type)
            return entry.context;
    }
    return COREWEBVIEW2_WEB_RESOURCE_CONTEXT_OTHER;
}

const char* typeOf(COREWEBVIEW2_WEB_RESOURCE_CONTEXT context) {
    for (const auto& entry : kContexts) {
        if (context == entry.context)
            return entry.type;
    }
    return "Other";
}

}  // namespace

void WebView::enableInterception() {
    // Main-frame documents are always paused, so navigations can be offered for cancelling
    // before anything is fetched.
    Json patterns = Json::array();
    patterns.push_back(
        {{"urlPattern", "*"}, {"resourceType", "Document"}, {"requestStage", "Request"}});
    for (const Filter& filter : filters_) {
        Json pattern = {{"urlPattern", wideToUtf8(filter.uri)}, {"requestStage", "Request"}};
        if (filter.context != COREWEBVIEW2_WEB_RESOURCE_CONTEXT_ALL)
            pattern["resourceType"] = typeOf(filter.context);
        patterns.push_back(pattern);
    }
    browser_->devtools.call("Fetch.enable", {{"patterns", patterns}}, session_);
}

bool WebView::filtered(const std::wstring& uri, COREWEBVIEW2_WEB_RESOURCE_CONTEXT context) const {
    for (const Filter& filter : filters_) {
        if ((filter.context == COREWEBVIEW2_WEB_RESOURCE_CONTEXT_ALL ||
             filter.context == context) &&
            wildcardMatch(filter.uri.c_str(), uri.c_str())) {
            return true;
        }
    }
    return false;
}

void WebView::onRequestPaused(const Json& params) {
    const ULONGLONG started = nowUs();
    DevTools& devtools = browser_->devtools;
    const std::string requestId = params.value("requestId", "");
    const Json& request = params["request"];
    const std::string url = request.value("url", "");
    const std::wstring uri = utf8ToWide(url);
    const std::string method = request.value("method", "GET");
    const std::string type = params.value("resourceType", "Other");
    const COREWEBVIEW2_WEB_RESOURCE_CONTEXT context = contextOf(type);
    std::vector<std::pair<std::wstring, std::wstring>> headerList;
    std::string range = "-";
    const Json headerObject = request.value("headers", Json::object());
    for (const auto& [name, value] : headerObject.items()) {
        const std::string text = value.is_string() ? value.get<std::string>() : value.dump();
        headerList.emplace_back(utf8ToWide(name), utf8ToWide(text));
        if (_stricmp(name.c_str(), "Range") == 0)
            range = text;
    }
    ComRef<RequestHeaders> headers(new RequestHeaders(std::move(headerList)));

    if (type == "Document" && params.value("frameId", "") == mainFrame_ &&
        offerNavigation(requestId, params, ComRef<RequestHeaders>::copyOf(headers.get()))) {
        return;
    }

    std::string summary = "request " + method + " " + url + " range=" + range + " context=" + type;
    if (filtered(uri, context) && !webResourceRequested_.list.empty()) {
        ComRef<IStream> body;
        if (request.contains("postData")) {
            const std::string data = request.value("postData", "");
            body.reset(SHCreateMemStream(reinterpret_cast<const BYTE*>(data.data()),
                                         static_cast<UINT>(data.size())));
        }
        ComRef<WebResourceRequestedArgs> args(new WebResourceRequestedArgs(
            ComRef<WebResourceRequest>(new WebResourceRequest(uri, utf8ToWide(method),
                                                              std::move(body), std::move(headers))),
            context));
        const ULONGLONG handlerStart = nowUs();
        for (auto* handler : webResourceRequested_.snapshot())
            handler->Invoke(this, args.get());
        const ULONGLONG handlerUs = nowUs() - handlerStart;
        if (args->response() != nullptr) {
            answerLater(requestId, ComRef<WebResourceResponse>::copyOf(args->response()),
                        std::move(summary), started, handlerUs);
            return;
        }
        summary += " -> no response set, passed on";
    } else {
        summary += " -> passed on";
    }
    if (type != "Document" || params.value("frameId", "") != mainFrame_ || filtered(uri, context)) {
        logLine(summary);
    }
    devtools.call("Fetch.continueRequest", {{"requestId", requestId}}, session_);
}

void WebView::answerLater(const std::string& requestId, ComRef<WebResourceResponse> response,
                          std::string summary, ULONGLONG startedUs, ULONGLONG handlerUs) {
    auto job = std::make_unique<Job>();
    job->requestId = requestId;
    job->response = std::move(response);
    job->summary = std::move(summary);
    job->startedUs = startedUs;
    job->handlerUs = handlerUs;
    {
        std::lock_guard<std::mutex> guard(jobsLock_);
        jobs_.push_back(std::move(job));
    }
    jobsReady_.notify_one();
}

void WebView::bodyLoop() {
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    for (;;) {
        std::unique_ptr<Job> job;
        {
            std::unique_lock<std::mutex> guard(jobsLock_);
            jobsReady_.wait(guard, [this] { return stopping_ || !jobs_.empty(); });
            if (stopping_)
                break;
            job = std::move(jobs_.front());
            jobs_.pop_front();
        }
        const ULONGLONG jobStart = nowUs();
        // The runtime reads the stream to its end, from where it stands; Content-Range is not
        // looked at.
        std::string body;
        if (IStream* stream = job->response->content()) {
            std::string chunk(1 << 16, '\0');
            for (;;) {
                ULONG got = 0;
                HRESULT result = stream->Read(chunk.data(), static_cast<ULONG>(chunk.size()), &got);
                body.append(chunk.data(), got);
                if (FAILED(result) || got == 0)
                    break;
            }
        }
        Json headers = Json::array();
        std::string contentType = "-";
        std::string contentRange = "-";
        for (const auto& [name, value] : parseHeaderBlock(job->response->headerBlock())) {
            headers.push_back({{"name", wideToUtf8(name)}, {"value", wideToUtf8(value)}});
            if (_wcsicmp(name.c_str(), L"Content-Type") == 0)
                contentType = wideToUtf8(value);
            if (_wcsicmp(name.c_str(), L"Content-Range") == 0)
                contentRange = wideToUtf8(value);
        }
        Json params = {{"requestId", job->requestId},
                       {"responseCode", job->response->status()},
                       {"responseHeaders", headers},
                       {"body", base64Encode(body)}};
        if (!job->response->reason().empty())
            params["responsePhrase"] = wideToUtf8(job->response->reason());
        browser_->devtools.call("Fetch.fulfillRequest", params, session_);
        const ULONGLONG totalUs = nowUs() - job->startedUs;
        logLine(job->summary + " -> " + std::to_string(job->response->status()) +
                " type=" + contentType + " length=" + std::to_string(body.size()) +
                " content-range=" + contentRange + " handler_us=" + std::to_string(job->handlerUs) +
                " bridge_us=" + std::to_string(totalUs - job->handlerUs) +
                " answer_us=" + std::to_string(nowUs() - jobStart));
    }
    CoUninitialize();
}

HRESULT WebView::AddWebResourceRequestedFilter(
    const LPCWSTR uri, const COREWEBVIEW2_WEB_RESOURCE_CONTEXT resourceContext) noexcept {
    if (uri == nullptr)
        return E_INVALIDARG;
    filters_.push_back({uri, resourceContext});
    enableInterception();
    return S_OK;
}
HRESULT WebView::RemoveWebResourceRequestedFilter(
    const LPCWSTR uri, const COREWEBVIEW2_WEB_RESOURCE_CONTEXT resourceContext) noexcept {
    for (auto it = filters_.begin(); it != filters_.end(); ++it) {
        if (it->uri == textOf(uri) && it->context == resourceContext) {
            filters_.erase(it);
            enableInterception();
            return S_OK;
        }
    }
    return HRESULT_FROM_WIN32(ERROR_NOT_FOUND);
}

}  // namespace quorvane::engine
