#include "tests/standin/web_view.h"

#include <nlohmann/json.hpp>

#include <cstdint>
#include <cwctype>

#include "platform/utf8.h"
#include "platform/wildcard.h"
#include "tests/standin/event_args.h"
#include "tests/standin/response_reader.h"
#include "tests/standin/transcript.h"
#include "tests/standin/transcript_format.h"
#include "tests/standin/web_resource.h"
#include "tests/standin/window_step.h"

namespace quorvane::standin {

namespace {

// The runtime refuses a URI without a scheme (a relative one) with E_INVALIDARG.
bool hasScheme(const std::wstring& uri) {
    size_t colon = uri.find(L':');
    if (colon == 0 || colon == std::wstring::npos || !std::iswalpha(uri[0]))
        return false;
    for (size_t i = 1; i < colon; ++i) {
        wchar_t c = uri[i];
        if (!std::iswalnum(c) && c != L'+' && c != L'-' && c != L'.')
            return false;
    }
    return true;
}

const wchar_t kDocumentHeaders[] =
    L"Accept: text/html,application/xhtml+xml,application/xml;q=0.9,*/*;q=0.8\n"
    L"Upgrade-Insecure-Requests: 1";

std::wstring flag(bool value) {
    return value ? L"1" : L"0";
}

// The scenario's steps run once per process, in order, across the views it makes: after the
// browser process exited, the first navigation of the next view carries on where it stopped.
struct StepCursor {
    size_t next = 0;
    bool running = false;
};
StepCursor stepCursor;

// After its browser process exited the runtime refuses every call on the view.
const HRESULT kBrowserGone = HRESULT_FROM_WIN32(ERROR_INVALID_STATE);

// The view whose browser process exited last, kept for the rest of the process so that a step
// can still raise an event from it once the shell has replaced it.
WebView* replacedView = nullptr;

}  // namespace

WebView::WebView(std::shared_ptr<Dispatcher> dispatcher, Scenario scenario,
                 ComRef<ICoreWebView2Environment> environment)
    : StandinObject(IID_ICoreWebView2),
      dispatcher_(std::move(dispatcher)),
      scenario_(std::move(scenario)),
      environment_(std::move(environment)),
      settings_(makeObject<Settings>(scenario_.newestSettings)) {}

bool WebView::alsoAnswers(REFIID riid) const {
    return scenario_.offersWebView2 && IsEqualIID(riid, IID_ICoreWebView2_2);
}

Held<WebView> WebView::self() {
    return Held<WebView>(this);
}

bool WebView::filtered(const std::wstring& uri, int context) const {
    for (const Filter& filter : filters_) {
        if ((filter.context == COREWEBVIEW2_WEB_RESOURCE_CONTEXT_ALL ||
             filter.context == context) &&
            wildcardMatch(filter.pattern.c_str(), uri.c_str())) {
            return true;
        }
    }
    return false;
}

void WebView::requestResource(const std::wstring& uri, const std::wstring& method,
                              const std::wstring& headerLines, int context,
                              std::function<void()> done) {
    const std::wstring what =
        escapeText(method) + L" " + escapeText(uri) + L" context=" + std::to_wstring(context);
    if (!filtered(uri, context)) {
        // The runtime would fetch it from the network; nothing reaches the shell.
        record(L"request " + what + L" unfiltered");
        done();
        return;
    }
    record(L"WebResourceRequested " + what);
    ComRef<Request> request = makeObject<Request>(uri, method, headerLines);
    ComRef<WebResourceRequestedArgs> args = makeObject<WebResourceRequestedArgs>(
        std::move(request), static_cast<COREWEBVIEW2_WEB_RESOURCE_CONTEXT>(context));
    for (auto& handler :
         handlers_.of<ICoreWebView2WebResourceRequestedEventHandler>(L"WebResourceRequested")) {
        handler->Invoke(this, args.get());
    }
    // Only now, with the handler returned, is the response looked at and its body read.
    if (args->response() == nullptr) {
        record(L"response none");
        done();
        return;
    }
    auto facts = std::make_shared<ResponseFacts>(factsOf(args->response()));
    ComRef<IStream> content = ComRef<IStream>::copyOf(facts->content.get());
    facts->content.reset();
    const bool hasContent = static_cast<bool>(content);
    readStream(std::move(content), dispatcher_,
               [facts, hasContent, done = std::move(done)](ReadResult body) {
                   std::wstring line = L"response " + std::to_wstring(facts->statusCode) + L" " +
                                       escapeText(facts->reasonPhrase) + L" headers=" +
                                       escapeText(facts->headers) + L" ";
                   line += hasContent ? describeBody(body.bytes) : L"body=(none)";
                   if (FAILED(body.error))
                       line += L" read-error=" + hresultText(body.error);
                   if (body.truncated)
                       line += L" truncated";
                   record(line);
                   done();
               });
}

void WebView::navigate(const std::wstring& uri, bool userInitiated, bool parses,
                       std::function<void()> done) {
    const UINT64 id = ++navigationId_;
    record(L"NavigationStarting " + escapeText(uri) + L" userInitiated=" + flag(userInitiated));
    ComRef<NavigationStartingArgs> args =
        makeObject<NavigationStartingArgs>(uri, userInitiated, id);
    for (auto& handler :
         handlers_.of<ICoreWebView2NavigationStartingEventHandler>(L"NavigationStarting")) {
        handler->Invoke(this, args.get());
    }
    if (args->cancelled()) {
        record(L"navigation cancelled");
        done();
        return;
    }
    record(L"navigation allowed");
    source_ = uri;
    auto view = self();
    requestResource(uri, L"GET", kDocumentHeaders, COREWEBVIEW2_WEB_RESOURCE_CONTEXT_DOCUMENT,
                    [view, parses, done = std::move(done)] {
                        if (parses)
                            view->raiseDomContentLoaded();
                        done();
                    });
}

void WebView::raiseDomContentLoaded() {
    record(L"DOMContentLoaded navigationId=" + std::to_wstring(navigationId_));
    ComRef<DomContentLoadedArgs> args = makeObject<DomContentLoadedArgs>(navigationId_);
    for (auto& handler :
         handlers_.of<ICoreWebView2DOMContentLoadedEventHandler>(L"DOMContentLoaded")) {
        handler->Invoke(this, args.get());
    }
}

// DocumentTitleChanged, ContainsFullScreenElementChanged and WindowCloseRequested carry no
// arguments object: the runtime passes null.
void WebView::raiseWithoutArgs(const wchar_t* event) {
    // All three handler interfaces have the same Invoke(ICoreWebView2*, IUnknown*) shape.
    for (auto& handler : handlers_.of<ICoreWebView2WindowCloseRequestedEventHandler>(event)) {
        handler->Invoke(this, nullptr);
    }
}

void WebView::postMessage(const Step& step) {
    if (!settings_->value(Settings::WebMessageEnabled)) {
        record(L"WebMessageReceived suppressed: web messages disabled");
        return;
    }
    std::wstring asJson;
    std::optional<std::wstring> asString;
    if (step.kind == Step::Kind::MessageString) {
        record(L"WebMessageReceived source=" + escapeText(step.source) + L" string=" +
               escapeText(step.text));
        asJson = utf8ToWide(nlohmann::json(wideToUtf8(step.text)).dump());
        asString = step.text;
    } else {
        record(L"WebMessageReceived source=" + escapeText(step.source) + L" json=" +
               escapeText(step.text));
        asJson = step.text;
        // A JSON text that is itself a string is a string message all the same.
        nlohmann::json value = nlohmann::json::parse(wideToUtf8(step.text), nullptr, false);
        if (value.is_string())
            asString = utf8ToWide(value.get<std::string>());
    }
    ComRef<WebMessageReceivedArgs> args =
        makeObject<WebMessageReceivedArgs>(step.source, std::move(asJson), std::move(asString));
    for (auto& handler :
         handlers_.of<ICoreWebView2WebMessageReceivedEventHandler>(L"WebMessageReceived")) {
        handler->Invoke(this, args.get());
    }
}

void WebView::raiseProcessFailed(const Step& step) {
    auto handlers = handlers_.of<ICoreWebView2ProcessFailedEventHandler>(L"ProcessFailed");
    if (step.badArgs) {
        record(L"ProcessFailed badArgs");
        // Inside the first page of the address space, which is never mapped.
        auto* nothing = reinterpret_cast<ICoreWebView2ProcessFailedEventArgs*>(uintptr_t{0x10});
        for (auto& handler : handlers)
            handler->Invoke(this, nothing);
        return;
    }
    record(L"ProcessFailed kind=" + std::to_wstring(step.number) + L" reason=" +
           std::to_wstring(step.reason) + L" exitCode=" + std::to_wstring(step.exitCode) +
           L" details=" + flag(step.details) +
           (step.fromReplacedView ? L" fromReplacedView" : L""));
    ComRef<ProcessFailedArgs> args = makeObject<ProcessFailedArgs>(
        step.number, step.reason, step.exitCode, step.text, step.details);
    if (step.number == COREWEBVIEW2_PROCESS_FAILED_KIND_BROWSER_PROCESS_EXITED && !browserExited_) {
        browserExited_ = true;
        AddRef();
        if (replacedView != nullptr)
            replacedView->Release();
        replacedView = this;
    }
    for (auto& handler : handlers)
        handler->Invoke(this, args.get());
}

void WebView::runStep(const Step& step, std::function<void()> done) {
    switch (step.kind) {
        case Step::Kind::Request:
            requestResource(step.uri, step.method, step.headers, step.context, std::move(done));
            return;
        case Step::Kind::Navigate:
            navigate(step.uri, true, step.parses, std::move(done));
            return;
        case Step::Kind::DomContentLoaded:
            raiseDomContentLoaded();
            break;
        case Step::Kind::Title:
            title_ = step.text;
            record(L"DocumentTitleChanged " + escapeText(step.text));
            raiseWithoutArgs(L"DocumentTitleChanged");
            break;
        case Step::Kind::MessageString:
        case Step::Kind::MessageJson:
            postMessage(step);
            break;
        case Step::Kind::Fullscreen:
            fullscreen_ = step.flag;
            record(L"ContainsFullScreenElementChanged " + flag(step.flag));
            raiseWithoutArgs(L"ContainsFullScreenElementChanged");
            break;
        case Step::Kind::Permission: {
            record(L"PermissionRequested kind=" + std::to_wstring(step.number) + L" uri=" +
                   escapeText(step.uri) + L" userInitiated=" + flag(step.flag));
            ComRef<PermissionRequestedArgs> args = makeObject<PermissionRequestedArgs>(
                step.uri, static_cast<COREWEBVIEW2_PERMISSION_KIND>(step.number), step.flag);
            for (auto& handler : handlers_.of<ICoreWebView2PermissionRequestedEventHandler>(
                     L"PermissionRequested")) {
                handler->Invoke(this, args.get());
            }
            record(L"permission state=" + std::to_wstring(args->state()));
            break;
        }
        case Step::Kind::NewWindow: {
            record(L"NewWindowRequested " + escapeText(step.uri) + L" userInitiated=" +
                   flag(step.flag));
            ComRef<NewWindowRequestedArgs> args =
                makeObject<NewWindowRequestedArgs>(step.uri, step.flag);
            for (auto& handler :
                 handlers_.of<ICoreWebView2NewWindowRequestedEventHandler>(L"NewWindowRequested")) {
                handler->Invoke(this, args.get());
            }
            record(L"new window handled=" + flag(args->handled()) + L" newWindow=" +
                   (args->hasNewWindow() ? L"set" : L"none"));
            break;
        }
        case Step::Kind::Close:
            record(L"WindowCloseRequested");
            raiseWithoutArgs(L"WindowCloseRequested");
            break;
        case Step::Kind::Wait:
            record(L"wait " + std::to_wstring(step.number));
            dispatcher_->postDelayed(static_cast<unsigned>(step.number), std::move(done));
            return;
        case Step::Kind::ProcessFailed:
            if (!step.fromReplacedView)
                raiseProcessFailed(step);
            else if (replacedView != nullptr && replacedView != this)
                replacedView->raiseProcessFailed(step);
            else
                record(L"ProcessFailed fromReplacedView: no view was replaced");
            break;
        case Step::Kind::Window:
            runWindowStep(hostWindow_, step);
            break;
    }
    done();
}

void WebView::runSteps(size_t next) {
    stepCursor.next = next;
    if (browserExited_) {
        stepCursor.running = false;
        return;
    }
    if (next >= scenario_.steps.size()) {
        record(L"steps done");
        return;
    }
    auto view = self();
    runStep(scenario_.steps[next],
            [view, next] { view->dispatcher_->post([view, next] { view->runSteps(next + 1); }); });
}

HRESULT WebView::get_Settings(ICoreWebView2Settings** settings) noexcept {
    if (settings == nullptr)
        return E_POINTER;
    *settings = ComRef<ICoreWebView2Settings>::copyOf(settings_.get()).detach();
    return S_OK;
}

HRESULT WebView::get_Source(LPWSTR* uri) noexcept {
    return copyOut(source_, uri);
}

HRESULT WebView::Navigate(LPCWSTR uri) noexcept {
    record(L"Navigate " + textOrNull(uri));
    if (uri == nullptr || !hasScheme(uri))
        return E_INVALIDARG;
    if (browserExited_)
        return kBrowserGone;
    try {
        auto view = self();
        std::wstring target = uri;
        dispatcher_->post([view, target] {
            view->navigate(target, false, view->scenario_.pagesParse, [view] {
                if (view->stepsStarted_ || stepCursor.running)
                    return;
                view->stepsStarted_ = true;
                stepCursor.running = true;
                view->dispatcher_->post([view] { view->runSteps(stepCursor.next); });
            });
        });
        return S_OK;
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

HRESULT WebView::NavigateToString(LPCWSTR htmlContent) noexcept {
    record(L"NavigateToString " + textOrNull(htmlContent));
    return S_OK;
}

#define QV_STANDIN_EVENT(Name, Handler)                                                     \
    HRESULT WebView::add_##Name(Handler* handler, EventRegistrationToken* token) noexcept { \
        return handlers_.add(L## #Name, handler, token);                                    \
    }                                                                                       \
    HRESULT WebView::remove_##Name(EventRegistrationToken token) noexcept {                 \
        return handlers_.remove(L## #Name, token);                                          \
    }
QV_STANDIN_EVENT(NavigationStarting, ICoreWebView2NavigationStartingEventHandler)
QV_STANDIN_EVENT(ContentLoading, ICoreWebView2ContentLoadingEventHandler)
QV_STANDIN_EVENT(SourceChanged, ICoreWebView2SourceChangedEventHandler)
QV_STANDIN_EVENT(HistoryChanged, ICoreWebView2HistoryChangedEventHandler)
QV_STANDIN_EVENT(NavigationCompleted, ICoreWebView2NavigationCompletedEventHandler)
QV_STANDIN_EVENT(FrameNavigationStarting, ICoreWebView2NavigationStartingEventHandler)
QV_STANDIN_EVENT(FrameNavigationCompleted, ICoreWebView2NavigationCompletedEventHandler)
QV_STANDIN_EVENT(ScriptDialogOpening, ICoreWebView2ScriptDialogOpeningEventHandler)
QV_STANDIN_EVENT(PermissionRequested, ICoreWebView2PermissionRequestedEventHandler)
QV_STANDIN_EVENT(ProcessFailed, ICoreWebView2ProcessFailedEventHandler)
QV_STANDIN_EVENT(WebMessageReceived, ICoreWebView2WebMessageReceivedEventHandler)
QV_STANDIN_EVENT(NewWindowRequested, ICoreWebView2NewWindowRequestedEventHandler)
QV_STANDIN_EVENT(DocumentTitleChanged, ICoreWebView2DocumentTitleChangedEventHandler)
QV_STANDIN_EVENT(ContainsFullScreenElementChanged,
                 ICoreWebView2ContainsFullScreenElementChangedEventHandler)
QV_STANDIN_EVENT(WebResourceRequested, ICoreWebView2WebResourceRequestedEventHandler)
QV_STANDIN_EVENT(WindowCloseRequested, ICoreWebView2WindowCloseRequestedEventHandler)
QV_STANDIN_EVENT(WebResourceResponseReceived, ICoreWebView2WebResourceResponseReceivedEventHandler)
QV_STANDIN_EVENT(DOMContentLoaded, ICoreWebView2DOMContentLoadedEventHandler)
#undef QV_STANDIN_EVENT

// The stand-in runs no script: it records the call and completes it from the message loop with an
// id of its own, as the runtime does once the script is registered for every new document.
HRESULT WebView::AddScriptToExecuteOnDocumentCreated(
    LPCWSTR javaScript,
    ICoreWebView2AddScriptToExecuteOnDocumentCreatedCompletedHandler* handler) noexcept {
    record(L"AddScriptToExecuteOnDocumentCreated length=" +
           (javaScript ? std::to_wstring(wcslen(javaScript)) : std::wstring(L"(null)")));
    if (javaScript == nullptr)
        return E_INVALIDARG;
    if (browserExited_)
        return kBrowserGone;
    if (handler == nullptr)
        return S_OK;
    try {
        ComRef<ICoreWebView2AddScriptToExecuteOnDocumentCreatedCompletedHandler> completed =
            ComRef<ICoreWebView2AddScriptToExecuteOnDocumentCreatedCompletedHandler>::copyOf(
                handler);
        const std::wstring id = L"script-" + std::to_wstring(++scriptsAdded_);
        auto view = self();
        dispatcher_->post(
            [view, completed = std::make_shared<decltype(completed)>(std::move(completed)), id] {
                record(L"AddScriptToExecuteOnDocumentCreatedCompleted hr=0x00000000 id=" + id);
                (*completed)->Invoke(S_OK, id.c_str());
            });
        return S_OK;
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

HRESULT WebView::RemoveScriptToExecuteOnDocumentCreated(LPCWSTR) noexcept {
    return unsupported(L"ICoreWebView2::RemoveScriptToExecuteOnDocumentCreated");
}

HRESULT WebView::ExecuteScript(LPCWSTR, ICoreWebView2ExecuteScriptCompletedHandler*) noexcept {
    return unsupported(L"ICoreWebView2::ExecuteScript");
}

HRESULT WebView::CapturePreview(COREWEBVIEW2_CAPTURE_PREVIEW_IMAGE_FORMAT, IStream*,
                                ICoreWebView2CapturePreviewCompletedHandler*) noexcept {
    return unsupported(L"ICoreWebView2::CapturePreview");
}

HRESULT WebView::Reload() noexcept {
    record(L"Reload");
    if (browserExited_)
        return kBrowserGone;
    try {
        auto view = self();
        dispatcher_->post(
            [view] { view->navigate(view->source_, false, view->scenario_.pagesParse, [] {}); });
        return S_OK;
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

HRESULT WebView::PostWebMessageAsJson(LPCWSTR webMessageAsJson) noexcept {
    record(L"PostWebMessageAsJson " + textOrNull(webMessageAsJson));
    return S_OK;
}

HRESULT WebView::PostWebMessageAsString(LPCWSTR webMessageAsString) noexcept {
    record(L"PostWebMessageAsString " + textOrNull(webMessageAsString));
    return S_OK;
}

HRESULT WebView::CallDevToolsProtocolMethod(
    LPCWSTR, LPCWSTR, ICoreWebView2CallDevToolsProtocolMethodCompletedHandler*) noexcept {
    return unsupported(L"ICoreWebView2::CallDevToolsProtocolMethod");
}

HRESULT WebView::get_BrowserProcessId(UINT32* value) noexcept {
    if (value == nullptr)
        return E_POINTER;
    *value = GetCurrentProcessId();
    return S_OK;
}

HRESULT WebView::get_CanGoBack(BOOL* canGoBack) noexcept {
    return copyBool(false, canGoBack);
}

HRESULT WebView::get_CanGoForward(BOOL* canGoForward) noexcept {
    return copyBool(false, canGoForward);
}

HRESULT WebView::GoBack() noexcept {
    record(L"GoBack");
    return S_OK;
}

HRESULT WebView::GoForward() noexcept {
    record(L"GoForward");
    return S_OK;
}

HRESULT WebView::GetDevToolsProtocolEventReceiver(
    LPCWSTR, ICoreWebView2DevToolsProtocolEventReceiver** receiver) noexcept {
    if (receiver != nullptr)
        *receiver = nullptr;
    return unsupported(L"ICoreWebView2::GetDevToolsProtocolEventReceiver");
}

HRESULT WebView::Stop() noexcept {
    record(L"Stop");
    return S_OK;
}

HRESULT WebView::get_DocumentTitle(LPWSTR* title) noexcept {
    return copyOut(title_, title);
}

HRESULT WebView::AddHostObjectToScript(LPCWSTR, VARIANT*) noexcept {
    return unsupported(L"ICoreWebView2::AddHostObjectToScript");
}

HRESULT WebView::RemoveHostObjectFromScript(LPCWSTR) noexcept {
    return unsupported(L"ICoreWebView2::RemoveHostObjectFromScript");
}

HRESULT WebView::OpenDevToolsWindow() noexcept {
    record(L"OpenDevToolsWindow");
    return S_OK;
}

HRESULT WebView::get_ContainsFullScreenElement(BOOL* containsFullScreenElement) noexcept {
    return copyBool(fullscreen_, containsFullScreenElement);
}

HRESULT WebView::AddWebResourceRequestedFilter(
    const LPCWSTR uri, const COREWEBVIEW2_WEB_RESOURCE_CONTEXT resourceContext) noexcept {
    record(L"filter add " + textOrNull(uri) + L" context=" + std::to_wstring(resourceContext));
    if (uri == nullptr)
        return E_INVALIDARG;
    try {
        filters_.push_back(Filter{uri, resourceContext});
        return S_OK;
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

HRESULT WebView::RemoveWebResourceRequestedFilter(
    const LPCWSTR uri, const COREWEBVIEW2_WEB_RESOURCE_CONTEXT resourceContext) noexcept {
    record(L"filter remove " + textOrNull(uri) + L" context=" + std::to_wstring(resourceContext));
    if (uri == nullptr)
        return E_INVALIDARG;
    size_t before = filters_.size();
    std::erase_if(filters_, [&](const Filter& filter) {
        return filter.pattern == uri && filter.context == resourceContext;
    });
    return filters_.size() != before ? S_OK : HRESULT_FROM_WIN32(ERROR_NOT_FOUND);
}

HRESULT WebView::NavigateWithWebResourceRequest(ICoreWebView2WebResourceRequest*) noexcept {
    return unsupported(L"ICoreWebView2_2::NavigateWithWebResourceRequest");
}

HRESULT WebView::get_CookieManager(ICoreWebView2CookieManager** cookieManager) noexcept {
    if (cookieManager != nullptr)
        *cookieManager = nullptr;
    return unsupported(L"ICoreWebView2_2::get_CookieManager");
}

HRESULT WebView::get_Environment(ICoreWebView2Environment** environment) noexcept {
    if (environment == nullptr)
        return E_POINTER;
    *environment = ComRef<ICoreWebView2Environment>::copyOf(environment_.get()).detach();
    return S_OK;
}

}  // namespace quorvane::standin
