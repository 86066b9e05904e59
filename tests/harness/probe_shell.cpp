// A small program in the shape of the shell, run by the harness tests: it finds a runtime through
// the runtime loader, creates an environment and a controller in a hidden window, answers the
// requests of https://probe.test/ with a short text, shows the window at DOMContentLoaded and
// ends when the page asks to close the window. Argument "fixed": use the fixed runtime in the
// relative folder "webview2", as the shell does in fixed mode.
#include <windows.h>
#include <shellapi.h>
#include <shlwapi.h>

#include <string>

#include "platform/local_app_data.h"
#include "platform/scoped_com_mem.h"
#include "browser/browser_host.h"
#include "browser/com_handler.h"
#include "browser/environment_options.h"
#include "browser/runtime_loader.h"

namespace {

using namespace quorvane;

HWND mainWindow = nullptr;

void fail(const std::wstring& text) {
    MessageBoxW(nullptr, text.c_str(), L"Probe", MB_OK | MB_ICONERROR);
}

void answer(ICoreWebView2WebResourceRequestedEventArgs* args) {
    ComRef<ICoreWebView2WebResourceRequest> request;
    args->get_Request(request.put());
    ScopedCoMem<wchar_t> uri;
    request->get_Uri(uri.put());
    std::string body = "probe answer";
    ComRef<IStream> content(SHCreateMemStream(reinterpret_cast<const BYTE*>(body.data()),
                                              static_cast<UINT>(body.size())));
    ComRef<ICoreWebView2WebResourceResponse> response;
    browserHost.environment->CreateWebResourceResponse(
        content.get(), 200, L"OK", L"Content-Type: text/plain\r\nContent-Length: 12",
        response.put());
    args->put_Response(response.get());
}

void onControllerCreated(HRESULT hr, ICoreWebView2Controller* controller) {
    if (FAILED(hr) || controller == nullptr) {
        fail(L"no controller");
        PostQuitMessage(3);
        return;
    }
    browserHost.controller.copyFrom(controller);
    controller->get_CoreWebView2(browserHost.webView.put());
    browserHost.webView2 = browserHost.webView.query<ICoreWebView2_2>(IID_ICoreWebView2_2);
    ICoreWebView2* view = browserHost.webView.get();
    RECT client = {};
    GetClientRect(mainWindow, &client);
    controller->put_Bounds(client);
    view->AddWebResourceRequestedFilter(L"https://probe.test/*",
                                        COREWEBVIEW2_WEB_RESOURCE_CONTEXT_ALL);
    auto requested = makeHandler<ICoreWebView2WebResourceRequestedEventHandler>(
        IID_ICoreWebView2WebResourceRequestedEventHandler,
        [](ICoreWebView2*, ICoreWebView2WebResourceRequestedEventArgs* args) { answer(args); });
    view->add_WebResourceRequested(requested.get(), nullptr);
    auto close = makeHandler<ICoreWebView2WindowCloseRequestedEventHandler>(
        IID_ICoreWebView2WindowCloseRequestedEventHandler,
        [](ICoreWebView2*, IUnknown*) { SendMessageW(mainWindow, WM_CLOSE, 0, 0); });
    view->add_WindowCloseRequested(close.get(), nullptr);
    if (browserHost.webView2) {
        auto loaded = makeHandler<ICoreWebView2DOMContentLoadedEventHandler>(
            IID_ICoreWebView2DOMContentLoadedEventHandler,
            [](ICoreWebView2*, ICoreWebView2DOMContentLoadedEventArgs*) {
                ShowWindow(mainWindow, SW_SHOW);
                browserHost.controller->put_IsVisible(TRUE);
            });
        browserHost.webView2->add_DOMContentLoaded(loaded.get(), nullptr);
    }
    view->Navigate(L"https://probe.test/index.html");
}

void onEnvironmentCreated(HRESULT hr, ICoreWebView2Environment* environment) {
    if (FAILED(hr) || environment == nullptr) {
        fail(L"no environment");
        PostQuitMessage(2);
        return;
    }
    browserHost.environment.copyFrom(environment);
    auto handler = makeHandler<ICoreWebView2CreateCoreWebView2ControllerCompletedHandler>(
        IID_ICoreWebView2CreateCoreWebView2ControllerCompletedHandler, onControllerCreated);
    environment->CreateCoreWebView2Controller(mainWindow, handler.get());
}

LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandLine, int) {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    const bool fixed = std::wstring(commandLine) == L"fixed";
    PCWSTR browserFolder = fixed ? L"webview2" : nullptr;

    ScopedCoMem<wchar_t> version;
    GetAvailableCoreWebView2BrowserVersionString(browserFolder, version.put());
    if (!version) {
        fail(L"no runtime");
        return 1;
    }

    WNDCLASSEXW windowClass = {sizeof windowClass};
    windowClass.lpfnWndProc = windowProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = L"QuorvaneProbe";
    RegisterClassExW(&windowClass);
    mainWindow = CreateWindowExW(0, L"QuorvaneProbe", L"Probe", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                 CW_USEDEFAULT, 640, 480, nullptr, nullptr, instance, nullptr);

    auto options = makeEnvironmentOptions(L"--probe");
    auto handler = makeHandler<ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler>(
        IID_ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler, onEnvironmentCreated);
    const std::wstring userDataFolder = localAppDataPath() + L"\\QuorvaneProbe";
    HRESULT hr = CreateCoreWebView2EnvironmentWithOptions(browserFolder, userDataFolder.c_str(),
                                                          options.get(), handler.get());
    handler.reset();
    if (FAILED(hr)) {
        fail(L"environment creation failed");
        return 4;
    }

    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}
