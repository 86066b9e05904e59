#include "tools/engine-runtime/environment.h"

#include <random>
#include <thread>

#include "platform/utf8.h"
#include "tools/engine-runtime/com_util.h"
#include "tools/engine-runtime/controller.h"
#include "tools/engine-runtime/engine_log.h"
#include "tools/engine-runtime/web_view.h"

namespace quorvane::engine {

namespace {

std::string randomName(const char* prefix) {
    std::random_device random;
    char digits[17];
    snprintf(digits, sizeof digits, "%08x%08x", random(), random());
    return std::string(prefix) + digits;
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

}  // namespace

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
            },
            [raw] { raw->onConnectionLost(); })) {
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

}  // namespace quorvane::engine
