#include "tools/engine-runtime/web_view.h"

#include <commctrl.h>
#include <shlwapi.h>

#include <random>

#include "platform/utf8.h"
#include "platform/wildcard.h"
#include "tools/engine-runtime/base64.h"
#include "tools/engine-runtime/com_util.h"
#include "tools/engine-runtime/engine_log.h"
#include "tools/engine-runtime/page_script.h"
#include "tools/engine-runtime/steps.h"

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

std::string randomName(const char* prefix) {
    std::random_device random;
    char digits[17];
    snprintf(digits, sizeof digits, "%08x%08x", random(), random());
    return std::string(prefix) + digits;
}

// "https://host:port" of a URL.
std::string originOf(const std::string& url) {
    size_t scheme = url.find("://");
    if (scheme == std::string::npos)
        return url;
    size_t path = url.find('/', scheme + 3);
    return url.substr(0, path);
}

// The additional browser arguments: blank-separated, double quotes group.
std::vector<std::string> splitArguments(const std::wstring& text) {
    std::vector<std::string> arguments;
    std::wstring current;
    bool quoted = false;
    bool any = false;
    for (wchar_t c : text) {
        if (c == L'"') {
            quoted = !quoted;
            any = true;
        } else if (!quoted && (c == L' ' || c == L'\t')) {
            if (any)
                arguments.push_back(wideToUtf8(current));
            current.clear();
            any = false;
        } else {
            current += c;
            any = true;
        }
    }
    if (any)
        arguments.push_back(wideToUtf8(current));
    return arguments;
}

template <typename T>
std::shared_ptr<ComRef<T>> share(T* object) {
    return std::make_shared<ComRef<T>>(ComRef<T>::copyOf(object));
}

std::string describe(const Json& value) {
    if (value.contains("value")) {
        const Json& v = value["value"];
        return v.is_string() ? v.get<std::string>() : v.dump();
    }
    return value.value("description", value.value("type", std::string()));
}

}  // namespace

// ---------------------------------------------------------------------------------------------

void Browser::shutDown() {
    if (closed)
        return;
    closed = true;
    logLine("browser closing");
    if (devtools.connected())
        devtools.call("Browser.close", Json::object());
    process.kill();
}

HRESULT createEnvironment(ICoreWebView2EnvironmentOptions* options, PCWSTR userDataFolder,
                          ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler* handler) {
    if (handler == nullptr)
        return E_POINTER;
    if (!chromiumInstalled())
        return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
    auto browser = std::make_shared<Browser>();
    browser->version = chromiumVersion();
    if (options != nullptr) {
        LPWSTR text = nullptr;
        if (SUCCEEDED(options->get_AdditionalBrowserArguments(&text)) && text != nullptr) {
            browser->arguments = splitArguments(text);
            CoTaskMemFree(text);
        }
        text = nullptr;
        if (SUCCEEDED(options->get_Language(&text)) && text != nullptr) {
            if (*text != L'\0')
                browser->arguments.push_back("--lang=" + wideToUtf8(text));
            CoTaskMemFree(text);
        }
    }
    // The page's screen is the monitor, so page fullscreen fills it.
    browser->screenWidth = GetSystemMetrics(SM_CXSCREEN);
    browser->screenHeight = GetSystemMetrics(SM_CYSCREEN);
    browser->binding = randomName("__qvEngine");
    browser->replies = randomName("__qvHost");

    std::wstring folder = textOf(userDataFolder);
    if (folder.empty()) {
        // As the runtime does without a folder: beside the executable, named after it.
        wchar_t path[MAX_PATH * 4];
        GetModuleFileNameW(nullptr, path, MAX_PATH * 4);
        folder = std::wstring(path) + L".WebView2";
    }
    while (!folder.empty() && (folder.back() == L'\\' || folder.back() == L'/'))
        folder.pop_back();
    const std::wstring profile = folder + L"\\EBWebView";

    Browser* raw = browser.get();
    if (!browser->devtools.open(
            [raw](const std::string& method, const Json& params, const std::string& session) {
                if (raw->view != nullptr)
                    raw->view->onEvent(method, params, session);
            })) {
        return HRESULT_FROM_WIN32(GetLastError());
    }
    ComRef<Environment> environment(new (std::nothrow) Environment(browser));
    if (!environment)
        return E_OUTOFMEMORY;
    auto heldEnvironment = share<ICoreWebView2Environment>(environment.get());
    auto heldHandler = share(handler);
    logLine("environment creating, arguments: " + Json(browser->arguments).dump());
    std::thread([browser, heldEnvironment, heldHandler, profile] {
        std::string error;
        HRESULT result = S_OK;
        if (!loopbackOnly()) {
            error =
                "the network has more than loopback: the browser is only started inside a "
                "network namespace with nothing but loopback";
            result = HRESULT_FROM_WIN32(ERROR_NETWORK_ACCESS_DENIED);
        } else if (!browser->process.start(profile, browser->arguments, browser->screenWidth,
                                           browser->screenHeight, error)) {
            result = E_FAIL;
        } else if (!browser->devtools.connect(browser->process.port(),
                                              browser->process.browserPath())) {
            error = "cannot connect to the browser";
            result = E_FAIL;
        }
        logLine(SUCCEEDED(result) ? "environment created" : "environment failed: " + error);
        browser->devtools.post([browser, heldEnvironment, heldHandler, result] {
            if (FAILED(result))
                browser->process.kill();
            (*heldHandler)->Invoke(result, SUCCEEDED(result) ? heldEnvironment->get() : nullptr);
        });
    }).detach();
    return S_OK;
}

HRESULT Environment::CreateCoreWebView2Controller(
    HWND parentWindow,
    ICoreWebView2CreateCoreWebView2ControllerCompletedHandler* handler) noexcept {
    if (handler == nullptr)
        return E_POINTER;
    if (!IsWindow(parentWindow))
        return E_INVALIDARG;
    try {
        ComRef<WebView> view(new WebView(browser_, ComRef<ICoreWebView2Environment>::copyOf(this)));
        ComRef<Controller> controller(
            new Controller(browser_, parentWindow, ComRef<WebView>::copyOf(view.get())));
        RECT client = {};
        GetClientRect(parentWindow, &client);
        auto heldView = share<WebView>(view.get());
        auto heldController = share<ICoreWebView2Controller>(controller.get());
        auto heldHandler = share(handler);
        std::shared_ptr<Browser> browser = browser_;
        std::thread([browser, heldView, heldController, heldHandler, client] {
            const bool attached = (*heldView)->attach(client);
            browser->devtools.post([browser, heldView, heldController, heldHandler, attached] {
                if (attached)
                    browser->view = heldView->get();
                logLine(attached ? "controller created" : "controller failed");
                (*heldHandler)
                    ->Invoke(attached ? S_OK : E_FAIL, attached ? heldController->get() : nullptr);
            });
        }).detach();
        return S_OK;
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

HRESULT Environment::CreateWebResourceResponse(
    IStream* content, int statusCode, LPCWSTR reasonPhrase, LPCWSTR headers,
    ICoreWebView2WebResourceResponse** response) noexcept {
    if (response == nullptr)
        return E_POINTER;
    *response = new (std::nothrow) WebResourceResponse(ComRef<IStream>::copyOf(content), statusCode,
                                                       textOf(reasonPhrase), textOf(headers));
    return *response != nullptr ? S_OK : E_OUTOFMEMORY;
}

HRESULT Environment::get_BrowserVersionString(LPWSTR* versionInfo) noexcept {
    return copyOut(browser_->version, versionInfo);
}

// ---------------------------------------------------------------------------------------------

Controller::Controller(std::shared_ptr<Browser> browser, HWND parent, ComRef<WebView> view)
    : ComObject(IID_ICoreWebView2Controller),
      browser_(std::move(browser)),
      parent_(parent),
      view_(std::move(view)) {
    GetClientRect(parent_, &bounds_);
    browser_->window = parent_;
    // The browser goes with the window it lives in, even when nobody closes the controller.
    SetWindowSubclass(parent_, &Controller::parentProc, 1,
                      reinterpret_cast<DWORD_PTR>(browser_.get()));
}

Controller::~Controller() {
    if (IsWindow(parent_))
        RemoveWindowSubclass(parent_, &Controller::parentProc, 1);
}

LRESULT CALLBACK Controller::parentProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                        UINT_PTR, DWORD_PTR data) {
    if (message == WM_DESTROY) {
        RemoveWindowSubclass(window, &Controller::parentProc, 1);
        reinterpret_cast<Browser*>(data)->shutDown();
    }
    return DefSubclassProc(window, message, wParam, lParam);
}

HRESULT Controller::get_IsVisible(BOOL* isVisible) noexcept {
    if (isVisible == nullptr)
        return E_POINTER;
    *isVisible = visible_;
    return S_OK;
}
HRESULT Controller::put_IsVisible(BOOL isVisible) noexcept {
    visible_ = isVisible != FALSE;
    logLine(std::string("visible ") + (visible_ ? "1" : "0"));
    return S_OK;
}
HRESULT Controller::get_Bounds(RECT* bounds) noexcept {
    if (bounds == nullptr)
        return E_POINTER;
    *bounds = bounds_;
    return S_OK;
}
HRESULT Controller::put_Bounds(RECT bounds) noexcept {
    bounds_ = bounds;
    applyBounds();
    return S_OK;
}
HRESULT Controller::get_ZoomFactor(double* zoomFactor) noexcept {
    if (zoomFactor == nullptr)
        return E_POINTER;
    *zoomFactor = zoom_;
    return S_OK;
}
HRESULT Controller::put_ZoomFactor(double zoomFactor) noexcept {
    zoom_ = zoomFactor;
    return S_OK;
}
HRESULT Controller::SetBoundsAndZoomFactor(RECT bounds, double zoomFactor) noexcept {
    zoom_ = zoomFactor;
    return put_Bounds(bounds);
}
HRESULT Controller::MoveFocus(COREWEBVIEW2_MOVE_FOCUS_REASON reason) noexcept {
    logLine("focus " + std::to_string(static_cast<int>(reason)));
    return S_OK;
}
HRESULT Controller::get_ParentWindow(HWND* parentWindow) noexcept {
    if (parentWindow == nullptr)
        return E_POINTER;
    *parentWindow = parent_;
    return S_OK;
}
HRESULT Controller::put_ParentWindow(HWND parentWindow) noexcept {
    if (IsWindow(parent_))
        RemoveWindowSubclass(parent_, &Controller::parentProc, 1);
    parent_ = parentWindow;
    SetWindowSubclass(parent_, &Controller::parentProc, 1,
                      reinterpret_cast<DWORD_PTR>(browser_.get()));
    return S_OK;
}
HRESULT Controller::NotifyParentWindowPositionChanged() noexcept {
    return S_OK;
}
HRESULT Controller::Close() noexcept {
    if (view_)
        view_->detach();
    browser_->shutDown();
    return S_OK;
}
HRESULT Controller::get_CoreWebView2(ICoreWebView2** coreWebView2) noexcept {
    if (coreWebView2 == nullptr)
        return E_POINTER;
    *coreWebView2 = view_.get();
    if (*coreWebView2 != nullptr)
        (*coreWebView2)->AddRef();
    return S_OK;
}
void Controller::applyBounds() {
    if (view_ && !browser_->closed)
        view_->resize(bounds_);
}

// ---------------------------------------------------------------------------------------------

template <typename Handler>
HRESULT WebView::Handlers<Handler>::add(Handler* handler, EventRegistrationToken* token,
                                        INT64& next) {
    if (handler == nullptr)
        return E_POINTER;
    const INT64 id = next++;
    list[id] = ComRef<Handler>::copyOf(handler);
    if (token != nullptr)
        token->value = id;
    return S_OK;
}

template <typename Handler>
HRESULT WebView::Handlers<Handler>::remove(EventRegistrationToken token) {
    list.erase(token.value);
    return S_OK;
}

template <typename Handler>
std::vector<Handler*> WebView::Handlers<Handler>::snapshot() const {
    std::vector<Handler*> handlers;
    for (const auto& [id, handler] : list)
        handlers.push_back(handler.get());
    return handlers;
}

struct WebView::Job {
    std::string requestId;
    ComRef<WebResourceResponse> response;
    std::string summary;
    ULONGLONG startedUs;
    ULONGLONG handlerUs;
};

WebView::WebView(std::shared_ptr<Browser> browser, ComRef<ICoreWebView2Environment> environment)
    : ComObject(IID_ICoreWebView2_2),
      browser_(std::move(browser)),
      environment_(std::move(environment)),
      settings_(new Settings()) {
    bodyReader_ = std::thread([this] { bodyLoop(); });
}

WebView::~WebView() {
    detach();
}

void WebView::detach() {
    if (browser_->view == this)
        browser_->view = nullptr;
    {
        std::lock_guard<std::mutex> guard(jobsLock_);
        stopping_ = true;
    }
    jobsReady_.notify_all();
    if (bodyReader_.joinable() && bodyReader_.get_id() != std::this_thread::get_id())
        bodyReader_.join();
}

HRESULT WebView::QueryInterface(REFIID riid, void** object) noexcept {
    if (object != nullptr && IsEqualIID(riid, IID_ICoreWebView2)) {
        *object = static_cast<ICoreWebView2*>(this);
        AddRef();
        return S_OK;
    }
    return ComObject::QueryInterface(riid, object);
}

bool WebView::attach(const RECT& bounds) {
    DevTools& devtools = browser_->devtools;
    std::optional<Json> created =
        devtools.callSync("Target.createTarget", {{"url", "about:blank"}});
    if (!created)
        return false;
    targetId_ = created->value("targetId", "");
    mainFrame_ = targetId_;
    std::optional<Json> attached =
        devtools.callSync("Target.attachToTarget", {{"targetId", targetId_}, {"flatten", true}});
    if (!attached)
        return false;
    session_ = attached->value("sessionId", "");
    for (const char* domain : {"Page.enable", "Runtime.enable", "Log.enable"})
        devtools.callSync(domain, Json::object(), session_);
    devtools.callSync("Runtime.addBinding", {{"name", browser_->binding}}, session_);
    devtools.callSync("Page.addScriptToEvaluateOnNewDocument",
                      {{"source", pageScript(browser_->binding, browser_->replies)}}, session_);
    resize(bounds);
    enableInterception();
    // Every new target of the browser (popups above all) waits until the engine has looked at it.
    return devtools
        .callSync("Target.setAutoAttach",
                  {{"autoAttach", true}, {"waitForDebuggerOnStart", true}, {"flatten", true}})
        .has_value();
}

void WebView::resize(const RECT& bounds) {
    const LONG width = bounds.right - bounds.left;
    const LONG height = bounds.bottom - bounds.top;
    if (width <= 0 || height <= 0 || session_.empty())
        return;
    browser_->devtools.call("Emulation.setDeviceMetricsOverride",
                            {{"width", width},
                             {"height", height},
                             {"deviceScaleFactor", 1},
                             {"mobile", false},
                             {"screenWidth", browser_->screenWidth},
                             {"screenHeight", browser_->screenHeight}},
                            session_);
}

std::wstring WebView::title() {
    std::lock_guard<std::mutex> guard(titleLock_);
    return title_;
}

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

bool WebView::isMainFrameContext(int context) const {
    auto found = contextFrames_.find(context);
    return found != contextFrames_.end() && found->second == mainFrame_;
}

void WebView::onEvent(const std::string& method, const Json& params, const std::string& session) {
    static const bool trace = !environmentVariable(L"QV_ENGINE_TRACE").empty();
    if (trace)
        logLine("protocol " + method + (session == session_ ? "" : " (other session)"));
    if (session.empty()) {
        if (method == "Target.attachedToTarget")
            onAttached(params);
        return;
    }
    if (session != session_) {
        if (method == "Fetch.requestPaused" && popups_.count(session) != 0)
            onPopupRequest(params, session);
        return;
    }
    if (method == "Fetch.requestPaused") {
        onRequestPaused(params);
    } else if (method == "Runtime.bindingCalled") {
        if (params.value("name", "") == browser_->binding)
            onBinding(params.value("payload", ""), params.value("executionContextId", 0));
    } else if (method == "Runtime.executionContextCreated") {
        const Json& context = params["context"];
        const Json auxData = context.value("auxData", Json::object());
        if (auxData.value("isDefault", false))
            contextFrames_[context.value("id", 0)] = auxData.value("frameId", "");
    } else if (method == "Page.frameNavigated") {
        const Json& frame = params["frame"];
        const std::string url = frame.value("url", "") + frame.value("urlFragment", "");
        frameUrls_[frame.value("id", "")] = utf8ToWide(url);
        if (frame.value("id", "") == mainFrame_) {
            source_ = utf8ToWide(url);
            logLine("navigated " + url);
        }
    } else if (method == "Page.domContentEventFired") {
        logLine("dom content loaded");
        ComRef<DOMContentLoadedArgs> args(new DOMContentLoadedArgs(navigationId_));
        for (auto* handler : domContentLoaded_.snapshot())
            handler->Invoke(this, args.get());
        startSteps(browser_, this);
    } else if (method == "Page.loadEventFired") {
        browser_->devtools.call(
            "Runtime.evaluate",
            {{"expression",
              "(() => { const n = performance.getEntriesByType('navigation')[0]; "
              "return n ? n.loadEventStart : -1; })()"},
             {"returnByValue", true}},
            session_, [](const Json& result, const std::string&) {
                if (result.is_object() && result.contains("result"))
                    logLine("load event " + result["result"].value("value", Json(-1)).dump() +
                            " ms");
            });
    } else if (method == "Page.windowOpen") {
        const std::string url = params.value("url", "");
        ComRef<NewWindowRequestedArgs> args(
            new NewWindowRequestedArgs(utf8ToWide(url), params.value("userGesture", false)));
        for (auto* handler : newWindowRequested_.snapshot())
            handler->Invoke(this, args.get());
        logLine("new window " + url + " handled=" + (args->handled() ? "1" : "0") +
                " userGesture=" + (params.value("userGesture", false) ? "1" : "0"));
    } else if (method == "Page.javascriptDialogOpening") {
        // Headless has no dialog to show; an open dialog would stop the page's scripts.
        logLine("dialog " + params.value("type", "") + ": " + params.value("message", ""));
        browser_->devtools.call("Page.handleJavaScriptDialog",
                                {{"accept", params.value("type", "") != "beforeunload"}}, session_);
    } else if (method == "Runtime.consoleAPICalled") {
        const std::string type = params.value("type", "");
        if (type == "error" || type == "assert") {
            std::string text;
            for (const Json& argument : params.value("args", Json::array()))
                text += (text.empty() ? "" : " ") + describe(argument);
            logLine("console error: " + text);
        }
    } else if (method == "Runtime.exceptionThrown") {
        const Json details = params.value("exceptionDetails", Json::object());
        const Json exception = details.value("exception", Json::object());
        logLine("uncaught exception: " +
                exception.value("description", details.value("text", std::string())));
    } else if (method == "Log.entryAdded") {
        const Json entry = params.value("entry", Json::object());
        if (entry.value("level", "") == "error")
            logLine("console error: " + entry.value("text", "") + " " + entry.value("url", ""));
    }
}

void WebView::onAttached(const Json& params) {
    if (!params.value("waitingForDebugger", false))
        return;
    const std::string session = params.value("sessionId", "");
    const Json info = params.value("targetInfo", Json::object());
    DevTools& devtools = browser_->devtools;
    if (info.value("type", "") != "page" || info.value("targetId", "") == targetId_) {
        devtools.call("Runtime.runIfWaitingForDebugger", Json::object(), session);
        return;
    }
    // A new window of the page. Whatever the host decided, nothing loads in it: its requests are
    // failed as they start and it is closed. It must be resumed before it is closed (closing a
    // waiting one freezes the opener).
    const std::string target = info.value("targetId", "");
    popups_[session] = target;
    std::shared_ptr<Browser> browser = browser_;
    devtools.call(
        "Fetch.enable", {{"patterns", Json::array({{{"urlPattern", "*"}}})}}, session,
        [browser, session, target](const Json&, const std::string&) {
            browser->devtools.call(
                "Runtime.runIfWaitingForDebugger", Json::object(), session,
                [browser, target](const Json&, const std::string&) {
                    // A window with nothing to load sends no request to fail.
                    std::thread([browser, target] {
                        Sleep(500);
                        if (!browser->closed)
                            browser->devtools.call("Target.closeTarget", {{"targetId", target}});
                    }).detach();
                });
        });
}

void WebView::onPopupRequest(const Json& params, const std::string& session) {
    const std::string url = params["request"].value("url", "");
    logLine("new window blocked " + url);
    browser_->devtools.call(
        "Fetch.failRequest",
        {{"requestId", params.value("requestId", "")}, {"errorReason", "Aborted"}}, session);
    browser_->devtools.call("Target.closeTarget", {{"targetId", popups_[session]}});
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

    if (type == "Document" && params.value("frameId", "") == mainFrame_) {
        const bool fromHost = !pendingHostNavigation_.empty() && uri == pendingHostNavigation_;
        pendingHostNavigation_.clear();
        ComRef<NavigationStartingArgs> args(new NavigationStartingArgs(
            uri, !fromHost, params.contains("redirectedRequestId"),
            ComRef<RequestHeaders>::copyOf(headers.get()), ++navigationId_));
        for (auto* handler : navigationStarting_.snapshot())
            handler->Invoke(this, args.get());
        if (args->cancelled()) {
            // "Aborted" leaves the page as it was; other reasons commit an error page.
            logLine("navigation cancelled " + method + " " + url);
            devtools.call("Fetch.failRequest",
                          {{"requestId", requestId}, {"errorReason", "Aborted"}}, session_);
            return;
        }
        logLine("navigation starting " + url);
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

void WebView::onBinding(const std::string& payload, int context) {
    if (payload.empty())
        return;
    const char kind = payload[0];
    const std::string data = payload.substr(1);
    auto frame = contextFrames_.find(context);
    std::wstring frameUrl;
    if (frame != contextFrames_.end()) {
        auto url = frameUrls_.find(frame->second);
        if (url != frameUrls_.end())
            frameUrl = url->second;
    }
    const bool mainFrame = isMainFrameContext(context);
    if (kind == 's' || kind == 'j') {
        if (!settings_->webMessageEnabled)
            return;
        const bool isString = kind == 's';
        const std::string json =
            isString ? Json(data).dump(-1, ' ', false, Json::error_handler_t::replace) : data;
        logLine(std::string("message ") + (isString ? "string " : "json ") + json);
        ComRef<WebMessageReceivedArgs> args(new WebMessageReceivedArgs(
            frameUrl, utf8ToWide(json), isString, isString ? utf8ToWide(data) : L""));
        for (auto* handler : webMessageReceived_.snapshot())
            handler->Invoke(this, args.get());
    } else if (kind == 't' && mainFrame) {
        {
            std::lock_guard<std::mutex> guard(titleLock_);
            if (seenTitle_ && title_ == utf8ToWide(data))
                return;
            title_ = utf8ToWide(data);
            seenTitle_ = true;
        }
        logLine("title " + Json(data).dump());
        for (auto* handler : documentTitleChanged_.snapshot())
            handler->Invoke(this, nullptr);
    } else if (kind == 'f' && mainFrame) {
        const bool now = data == "1";
        if (now == fullscreen_)
            return;
        fullscreen_ = now;
        logLine(std::string("fullscreen ") + (now ? "1" : "0"));
        for (auto* handler : fullscreenChanged_.snapshot())
            handler->Invoke(this, nullptr);
    } else if (kind == 'c' && mainFrame) {
        logLine("window close requested");
        for (auto* handler : windowCloseRequested_.snapshot())
            handler->Invoke(this, nullptr);
    } else if (kind == 'p') {
        onPermission(data, frameUrl, context);
    }
}

void WebView::onPermission(const std::string& request, const std::wstring& frameUrl, int context) {
    // "kind:id:gesture"
    const size_t first = request.find(':');
    const size_t second = request.find(':', first + 1);
    if (first == std::string::npos || second == std::string::npos)
        return;
    const std::string kindName = request.substr(0, first);
    const std::string id = request.substr(first + 1, second - first - 1);
    if (id.find_first_not_of("0123456789") != std::string::npos)
        return;
    const bool gesture = request.substr(second + 1) == "1";
    COREWEBVIEW2_PERMISSION_KIND kind = COREWEBVIEW2_PERMISSION_KIND_UNKNOWN_PERMISSION;
    std::string protocolName;
    if (kindName == "notifications") {
        kind = COREWEBVIEW2_PERMISSION_KIND_NOTIFICATIONS;
        protocolName = "notifications";
    } else if (kindName == "clipboard-read") {
        kind = COREWEBVIEW2_PERMISSION_KIND_CLIPBOARD_READ;
        protocolName = "clipboard-read";
    } else {
        return;
    }
    ComRef<PermissionRequestedArgs> args(new PermissionRequestedArgs(frameUrl, kind, gesture));
    for (auto* handler : permissionRequested_.snapshot())
        handler->Invoke(this, args.get());
    const COREWEBVIEW2_PERMISSION_STATE state = args->state();
    logLine("permission " + kindName + " " + wideToUtf8(frameUrl) + " -> " +
            (state == COREWEBVIEW2_PERMISSION_STATE_ALLOW  ? "allow"
             : state == COREWEBVIEW2_PERMISSION_STATE_DENY ? "deny"
                                                           : "default"));
    DevTools& devtools = browser_->devtools;
    const std::string origin = originOf(wideToUtf8(frameUrl));
    if (state != COREWEBVIEW2_PERMISSION_STATE_DEFAULT) {
        devtools.call(
            "Browser.setPermission",
            {{"permission", {{"name", protocolName}}},
             {"setting", state == COREWEBVIEW2_PERMISSION_STATE_ALLOW ? "granted" : "denied"},
             {"origin", origin}});
    }
    devtools.call("Runtime.evaluate",
                  {{"expression", "globalThis[\"" + browser_->replies + "\"](" + id + ")"},
                   {"contextId", context}},
                  session_);
}

// --- ICoreWebView2 ----------------------------------------------------------------------------

HRESULT WebView::get_Settings(ICoreWebView2Settings** settings) noexcept {
    if (settings == nullptr)
        return E_POINTER;
    *settings = settings_.get();
    (*settings)->AddRef();
    return S_OK;
}
HRESULT WebView::get_Source(LPWSTR* uri) noexcept {
    return copyOut(source_, uri);
}
HRESULT WebView::Navigate(LPCWSTR uri) noexcept {
    if (uri == nullptr)
        return E_INVALIDARG;
    if (browser_->closed)
        return HRESULT_FROM_WIN32(ERROR_INVALID_STATE);
    pendingHostNavigation_ = uri;
    logLine("navigate " + wideToUtf8(uri));
    if (!settings_->scriptEnabled)
        browser_->devtools.call("Emulation.setScriptExecutionDisabled", {{"value", true}},
                                session_);
    browser_->devtools.call("Page.navigate", {{"url", wideToUtf8(uri)}}, session_);
    return S_OK;
}
HRESULT WebView::Reload() noexcept {
    browser_->devtools.call("Page.reload", Json::object(), session_);
    return S_OK;
}
HRESULT WebView::PostWebMessageAsJson(LPCWSTR webMessageAsJson) noexcept {
    Json parsed = Json::parse(wideToUtf8(textOf(webMessageAsJson)), nullptr, false);
    if (parsed.is_discarded())
        return E_INVALIDARG;
    browser_->devtools.call("Runtime.evaluate",
                            {{"expression", "globalThis[\"" + browser_->replies + "\"](0, \"m\", " +
                                                parsed.dump() + ")"}},
                            session_);
    return S_OK;
}
HRESULT WebView::PostWebMessageAsString(LPCWSTR webMessageAsString) noexcept {
    return PostWebMessageAsJson(
        utf8ToWide(Json(wideToUtf8(textOf(webMessageAsString))).dump()).c_str());
}
HRESULT WebView::get_BrowserProcessId(UINT32* value) noexcept {
    if (value == nullptr)
        return E_POINTER;
    // The browser is a Linux process: there is no Windows process id to give.
    *value = 0;
    return S_OK;
}
HRESULT WebView::get_DocumentTitle(LPWSTR* title) noexcept {
    return copyOut(this->title(), title);
}
HRESULT WebView::get_ContainsFullScreenElement(BOOL* containsFullScreenElement) noexcept {
    if (containsFullScreenElement == nullptr)
        return E_POINTER;
    *containsFullScreenElement = fullscreen_;
    return S_OK;
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
HRESULT WebView::get_Environment(ICoreWebView2Environment** environment) noexcept {
    if (environment == nullptr)
        return E_POINTER;
    *environment = environment_.get();
    (*environment)->AddRef();
    return S_OK;
}

#define QV_ENGINE_EVENT(Name, member, Handler)                                                   \
    HRESULT WebView::add_##Name(Handler* eventHandler, EventRegistrationToken* token) noexcept { \
        try {                                                                                    \
            return member.add(eventHandler, token, nextToken_);                                  \
        } catch (...) {                                                                          \
            return E_OUTOFMEMORY;                                                                \
        }                                                                                        \
    }                                                                                            \
    HRESULT WebView::remove_##Name(EventRegistrationToken token) noexcept {                      \
        return member.remove(token);                                                             \
    }
QV_ENGINE_EVENT(NavigationStarting, navigationStarting_,
                ICoreWebView2NavigationStartingEventHandler)
QV_ENGINE_EVENT(PermissionRequested, permissionRequested_,
                ICoreWebView2PermissionRequestedEventHandler)
QV_ENGINE_EVENT(WebMessageReceived, webMessageReceived_,
                ICoreWebView2WebMessageReceivedEventHandler)
QV_ENGINE_EVENT(NewWindowRequested, newWindowRequested_,
                ICoreWebView2NewWindowRequestedEventHandler)
QV_ENGINE_EVENT(DocumentTitleChanged, documentTitleChanged_,
                ICoreWebView2DocumentTitleChangedEventHandler)
QV_ENGINE_EVENT(ContainsFullScreenElementChanged, fullscreenChanged_,
                ICoreWebView2ContainsFullScreenElementChangedEventHandler)
QV_ENGINE_EVENT(WebResourceRequested, webResourceRequested_,
                ICoreWebView2WebResourceRequestedEventHandler)
QV_ENGINE_EVENT(WindowCloseRequested, windowCloseRequested_,
                ICoreWebView2WindowCloseRequestedEventHandler)
QV_ENGINE_EVENT(DOMContentLoaded, domContentLoaded_, ICoreWebView2DOMContentLoadedEventHandler)
#undef QV_ENGINE_EVENT

}  // namespace quorvane::engine
