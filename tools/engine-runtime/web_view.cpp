#include "tools/engine-runtime/web_view.h"

#include "tools/engine-runtime/com_util.h"
#include "tools/engine-runtime/page_script.h"

namespace quorvane::engine {

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
    // Target.targetCrashed, with the renderer's termination status, comes to discovering clients.
    devtools.callSync("Target.setDiscoverTargets", {{"discover", true}});
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

HRESULT WebView::get_Settings(ICoreWebView2Settings** settings) noexcept {
    if (settings == nullptr)
        return E_POINTER;
    *settings = settings_.get();
    (*settings)->AddRef();
    return S_OK;
}
HRESULT WebView::get_BrowserProcessId(UINT32* value) noexcept {
    if (value == nullptr)
        return E_POINTER;
    // The browser is a Linux process: there is no Windows process id to give.
    *value = 0;
    return S_OK;
}
HRESULT WebView::get_Environment(ICoreWebView2Environment** environment) noexcept {
    if (environment == nullptr)
        return E_POINTER;
    *environment = environment_.get();
    (*environment)->AddRef();
    return S_OK;
}

}  // namespace quorvane::engine
