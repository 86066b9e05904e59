#include "tests/standin/environment.h"

#include "platform/scoped_com_mem.h"
#include "tests/standin/controller.h"
#include "tests/standin/transcript.h"
#include "tests/standin/transcript_format.h"
#include "tests/standin/web_resource.h"
#include "tests/standin/web_view.h"

namespace quorvane::standin {

namespace {

// A newer options interface the runtime asks for; the shell's options object must refuse it.
// {FF85C98A-1BA7-4A6B-90C8-2B752C89E9E2}
constexpr IID IID_ICoreWebView2EnvironmentOptions2 = {
    0xFF85C98A, 0x1BA7, 0x4A6B, {0x90, 0xC8, 0x2B, 0x75, 0x2C, 0x89, 0xE9, 0xE2}};

void recordText(const wchar_t* name, HRESULT hr, const ScopedCoMem<wchar_t>& value) {
    if (FAILED(hr)) {
        record(std::wstring(L"options ") + name + L" failed " + hresultText(hr));
    } else {
        record(std::wstring(L"options ") + name + L"=" + textOrNull(value.get()));
    }
}

// The runtime reads the options through QueryInterface and the getters, as any caller would.
void recordOptions(IUnknown* given) {
    if (given == nullptr) {
        record(L"options (null)");
        return;
    }
    ComRef<ICoreWebView2EnvironmentOptions> options;
    HRESULT hr = given->QueryInterface(IID_ICoreWebView2EnvironmentOptions,
                                       reinterpret_cast<void**>(options.put()));
    if (FAILED(hr) || !options) {
        record(L"options ICoreWebView2EnvironmentOptions refused " + hresultText(hr));
        return;
    }
    ScopedCoMem<wchar_t> text;
    hr = options->get_AdditionalBrowserArguments(text.put());
    recordText(L"AdditionalBrowserArguments", hr, text);
    hr = options->get_Language(text.put());
    recordText(L"Language", hr, text);
    hr = options->get_TargetCompatibleBrowserVersion(text.put());
    recordText(L"TargetCompatibleBrowserVersion", hr, text);
    BOOL allow = FALSE;
    hr = options->get_AllowSingleSignOnUsingOSPrimaryAccount(&allow);
    if (FAILED(hr)) {
        record(L"options AllowSingleSignOnUsingOSPrimaryAccount failed " + hresultText(hr));
    } else {
        record(L"options AllowSingleSignOnUsingOSPrimaryAccount=" + std::to_wstring(allow));
    }

    void* newer = reinterpret_cast<void*>(1);
    hr = options->QueryInterface(IID_ICoreWebView2EnvironmentOptions2, &newer);
    std::wstring line = L"options ICoreWebView2EnvironmentOptions2 ";
    line += SUCCEEDED(hr) ? L"answered" : L"refused " + hresultText(hr);
    line += newer == nullptr ? L" out=null" : L" out=set";
    record(line);
    if (SUCCEEDED(hr) && newer != nullptr)
        static_cast<IUnknown*>(newer)->Release();
}

}  // namespace

Environment::Environment(std::shared_ptr<Dispatcher> dispatcher, Scenario scenario)
    : StandinObject(IID_ICoreWebView2Environment),
      dispatcher_(std::move(dispatcher)),
      scenario_(std::move(scenario)) {}

ComRef<ICoreWebView2Controller> Environment::makeController(HWND parent) {
    ComRef<WebView> view =
        makeObject<WebView>(dispatcher_, scenario_, ComRef<ICoreWebView2Environment>::copyOf(this));
    return ComRef<ICoreWebView2Controller>(new Controller(parent, std::move(view)));
}

HRESULT Environment::CreateCoreWebView2Controller(
    HWND parentWindow,
    ICoreWebView2CreateCoreWebView2ControllerCompletedHandler* handler) noexcept {
    record(L"CreateCoreWebView2Controller parent=" + describeWindow(parentWindow));
    if (handler == nullptr)
        return E_POINTER;
    const CreationOutcome outcome = scenario_.controller;
    if (FAILED(outcome.returns)) {
        record(L"controller creation returned " + hresultText(outcome.returns));
        return outcome.returns;
    }
    try {
        Held<ICoreWebView2CreateCoreWebView2ControllerCompletedHandler> keep(handler);
        Held<Environment> environment(this);
        dispatcher_->post([environment, keep, parentWindow, outcome] {
            HRESULT hr = outcome.completes;
            ComRef<ICoreWebView2Controller> controller;
            if (SUCCEEDED(hr) && !IsWindow(parentWindow)) {
                hr = HRESULT_FROM_WIN32(ERROR_INVALID_WINDOW_HANDLE);
            } else if (outcome.deliversObject) {
                controller = environment->makeController(parentWindow);
            }
            record(L"ControllerCompleted hr=" + hresultText(hr) + L" controller=" +
                   (controller ? L"yes" : L"no"));
            keep->Invoke(hr, controller.get());
        });
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
    *response = nullptr;
    if (reasonPhrase == nullptr || headers == nullptr)
        return E_INVALIDARG;
    try {
        *response = makeObject<Response>(content, statusCode, reasonPhrase, headers).detach();
        return *response != nullptr ? S_OK : E_OUTOFMEMORY;
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

HRESULT Environment::get_BrowserVersionString(LPWSTR* versionInfo) noexcept {
    return copyOut(scenario_.version, versionInfo);
}

HRESULT Environment::add_NewBrowserVersionAvailable(
    ICoreWebView2NewBrowserVersionAvailableEventHandler* handler,
    EventRegistrationToken* token) noexcept {
    return handlers_.add(L"NewBrowserVersionAvailable", handler, token);
}

HRESULT Environment::remove_NewBrowserVersionAvailable(EventRegistrationToken token) noexcept {
    return handlers_.remove(L"NewBrowserVersionAvailable", token);
}

HRESULT createEnvironment(const Scenario& scenario, IUnknown* options,
                          ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler* handler) {
    if (handler == nullptr)
        return E_POINTER;
    const CreationOutcome outcome = scenario.environment;
    if (FAILED(outcome.returns)) {
        record(L"environment creation returned " + hresultText(outcome.returns));
        return outcome.returns;
    }
    recordOptions(options);
    auto dispatcher = Dispatcher::forCurrentThread();
    Held<ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler> keep(handler);
    dispatcher->post([dispatcher, scenario, keep, outcome] {
        ComRef<Environment> environment;
        if (outcome.deliversObject)
            environment = makeObject<Environment>(dispatcher, scenario);
        record(L"EnvironmentCompleted hr=" + hresultText(outcome.completes) + L" environment=" +
               (environment ? L"yes" : L"no"));
        keep->Invoke(outcome.completes, environment.get());
    });
    return S_OK;
}

}  // namespace quorvane::standin
