// The stand-in's exported functions: the loader library's two, the runtime client library's
// one, and the test-only ones of standin_test_api.h.
#define QV_STANDIN_BUILDING
#include "tests/standin/standin_test_api.h"

#include "tests/standin/controller.h"
#include "tests/standin/environment.h"
#include "tests/standin/scenario.h"
#include "tests/standin/transcript.h"
#include "tests/standin/transcript_format.h"
#include "tests/standin/web_resource.h"

using namespace quorvane;
using namespace quorvane::standin;

namespace {

// How many version queries this process has made: a runtime can appear between two of them.
LONG versionQueries = 0;

bool runtimeFound(const Scenario& scenario, LONG query) {
    return scenario.runtimePresent ||
           (scenario.runtimeAppearsAtQuery > 0 && query >= scenario.runtimeAppearsAtQuery);
}

}  // namespace

QV_STANDIN_API HRESULT STDMETHODCALLTYPE
GetAvailableCoreWebView2BrowserVersionString(PCWSTR browserExecutableFolder, LPWSTR* versionInfo) {
    const Scenario scenario = loadScenario();
    const bool found = runtimeFound(scenario, InterlockedIncrement(&versionQueries));
    if (versionInfo == nullptr)
        return E_POINTER;
    *versionInfo = nullptr;
    record(L"GetAvailableCoreWebView2BrowserVersionString browserFolder=" +
           textOrNull(browserExecutableFolder) + L" -> " +
           (found ? escapeText(scenario.version) : L"(none)"));
    // As the loader does when it finds no runtime: a failure code and no string.
    if (!found)
        return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
    return copyOut(scenario.version, versionInfo);
}

QV_STANDIN_API HRESULT STDMETHODCALLTYPE CreateCoreWebView2EnvironmentWithOptions(
    PCWSTR browserExecutableFolder, PCWSTR userDataFolder,
    ICoreWebView2EnvironmentOptions* environmentOptions,
    ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler* environmentCreatedHandler) {
    record(L"CreateCoreWebView2EnvironmentWithOptions browserFolder=" +
           textOrNull(browserExecutableFolder) + L" userDataFolder=" + textOrNull(userDataFolder));
    try {
        const Scenario scenario = loadScenario();
        if (!runtimeFound(scenario, versionQueries)) {
            record(L"environment creation returned " +
                   hresultText(HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND)));
            return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
        }
        return createEnvironment(scenario, environmentOptions, environmentCreatedHandler);
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

// The runtime client library's entry point, called by a loader that found this DLL as
// <runtime>\EBWebView\x64\EmbeddedBrowserWebView.dll.
QV_STANDIN_API HRESULT STDMETHODCALLTYPE CreateWebViewEnvironmentWithOptionsInternal(
    bool checkRunningInstance, int runtimeType, PCWSTR userDataFolder, IUnknown* environmentOptions,
    ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler* environmentCreatedHandler) {
    record(std::wstring(L"CreateWebViewEnvironmentWithOptionsInternal checkRunningInstance=") +
           (checkRunningInstance ? L"1" : L"0") + L" runtimeType=" + std::to_wstring(runtimeType) +
           L" userDataFolder=" + textOrNull(userDataFolder));
    try {
        return createEnvironment(loadScenario(), environmentOptions, environmentCreatedHandler);
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

QV_STANDIN_API HRESULT STDMETHODCALLTYPE
StandinCreateEnvironment(ICoreWebView2Environment** environment) {
    if (environment == nullptr)
        return E_POINTER;
    try {
        *environment =
            makeObject<Environment>(Dispatcher::forCurrentThread(), loadScenario()).detach();
        return *environment != nullptr ? S_OK : E_OUTOFMEMORY;
    } catch (...) {
        *environment = nullptr;
        return E_OUTOFMEMORY;
    }
}

QV_STANDIN_API HRESULT STDMETHODCALLTYPE
StandinCreateWebResourceRequestedEventArgs(LPCWSTR uri, LPCWSTR method, LPCWSTR headers,
                                           ICoreWebView2WebResourceRequestedEventArgs** args) {
    if (args == nullptr)
        return E_POINTER;
    *args = nullptr;
    if (uri == nullptr || method == nullptr)
        return E_INVALIDARG;
    try {
        ComRef<Request> request =
            makeObject<Request>(uri, method, headers != nullptr ? headers : L"");
        *args = makeObject<WebResourceRequestedArgs>(std::move(request),
                                                     COREWEBVIEW2_WEB_RESOURCE_CONTEXT_OTHER)
                    .detach();
        return *args != nullptr ? S_OK : E_OUTOFMEMORY;
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

QV_STANDIN_API HRESULT STDMETHODCALLTYPE
StandinDescribeResponse(ICoreWebView2WebResourceResponse* response, int* statusCode,
                        LPWSTR* reasonPhrase, LPWSTR* headers, IStream** content) {
    if (reasonPhrase != nullptr)
        *reasonPhrase = nullptr;
    if (headers != nullptr)
        *headers = nullptr;
    if (content != nullptr)
        *content = nullptr;
    if (!asStandin<Response>(response))
        return E_INVALIDARG;
    try {
        ResponseFacts facts = factsOf(response);
        if (statusCode != nullptr)
            *statusCode = facts.statusCode;
        if (reasonPhrase != nullptr)
            copyOut(facts.reasonPhrase, reasonPhrase);
        if (headers != nullptr)
            copyOut(facts.headers, headers);
        if (content != nullptr)
            *content = facts.content.detach();
        return S_OK;
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

QV_STANDIN_API HRESULT STDMETHODCALLTYPE
StandinCreateController(HWND parent, ICoreWebView2Controller** controller) {
    if (controller == nullptr)
        return E_POINTER;
    *controller = nullptr;
    try {
        ComRef<Environment> environment =
            makeObject<Environment>(Dispatcher::forCurrentThread(), loadScenario());
        if (!environment)
            return E_OUTOFMEMORY;
        *controller = environment->makeController(parent).detach();
        return *controller != nullptr ? S_OK : E_OUTOFMEMORY;
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

QV_STANDIN_API HRESULT STDMETHODCALLTYPE StandinTakeTranscript(LPWSTR* lines) {
    try {
        return copyOut(takeTranscript(), lines);
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}
