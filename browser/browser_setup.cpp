#include "browser/browser_setup.h"

#include "browser/browser_host.h"
#include "browser/browser_messages.h"
#include "browser/com_handler.h"
#include "browser/event_handlers.h"
#include "browser/page_api_bridge.h"
#include "browser/player_settings.h"
#include "browser/process_failure.h"
#include "browser/web_resource_adapter.h"
#include "content/app_origin.h"
#include "manifest/app_config.h"
#include "platform/run_log.h"
#include "window/window_state.h"

namespace quorvane {

namespace {

// Without browser objects the window would stay hidden with nothing to show: tell the user and
// end the run with exit code 1.
void failBrowserStart(const wchar_t* text) {
    reportBrowserFailure(text, 1);
}

// Registers one handler object on |webView| through |add| (a registration method of the view);
// the runtime keeps its own reference, ours goes when the ComRef does.
template <typename Interface, typename View, typename Callable>
void registerHandler(View* view,
                     HRESULT (STDMETHODCALLTYPE View::*add)(Interface*, EventRegistrationToken*),
                     REFIID iid, Callable callable) {
    auto handler = makeHandler<Interface>(iid, std::move(callable));
    if (handler)
        (view->*add)(handler.get(), nullptr);
}

void applySettings(ICoreWebView2* webView) {
    ComRef<ICoreWebView2Settings> settings;
    webView->get_Settings(settings.put());
    if (!settings)
        return;
    settings->put_IsScriptEnabled(TRUE);
    settings->put_AreHostObjectsAllowed(FALSE);
    settings->put_AreDefaultScriptDialogsEnabled(TRUE);
    settings->put_IsWebMessageEnabled(TRUE);
    settings->put_IsZoomControlEnabled(FALSE);
    settings->put_AreDefaultContextMenusEnabled(appConfig.contextMenu ? TRUE : FALSE);
    settings->put_AreDevToolsEnabled(appConfig.enableDevtools ? TRUE : FALSE);
    applyPlayerSettings(settings.get(), appConfig);
}

void registerHandlers(ICoreWebView2* webView, ICoreWebView2_2* webView2) {
    registerHandler<ICoreWebView2DocumentTitleChangedEventHandler>(
        webView, &ICoreWebView2::add_DocumentTitleChanged,
        IID_ICoreWebView2DocumentTitleChangedEventHandler,
        [](ICoreWebView2* sender, IUnknown*) { onDocumentTitleChanged(sender); });
    // The filter comes before the handler, and both before the first navigation, so the main
    // page itself is already served by the shell.
    const std::wstring filter = appOrigin + L"*";
    webView->AddWebResourceRequestedFilter(filter.c_str(), COREWEBVIEW2_WEB_RESOURCE_CONTEXT_ALL);
    registerHandler<ICoreWebView2WebResourceRequestedEventHandler>(
        webView, &ICoreWebView2::add_WebResourceRequested,
        IID_ICoreWebView2WebResourceRequestedEventHandler,
        [](ICoreWebView2*, ICoreWebView2WebResourceRequestedEventArgs* args) {
            serveResource(args);
        });
    registerHandler<ICoreWebView2NavigationStartingEventHandler>(
        webView, &ICoreWebView2::add_NavigationStarting,
        IID_ICoreWebView2NavigationStartingEventHandler,
        [](ICoreWebView2*, ICoreWebView2NavigationStartingEventArgs* args) {
            onNavigationStarting(args);
        });
    registerHandler<ICoreWebView2PermissionRequestedEventHandler>(
        webView, &ICoreWebView2::add_PermissionRequested,
        IID_ICoreWebView2PermissionRequestedEventHandler,
        [](ICoreWebView2*, ICoreWebView2PermissionRequestedEventArgs* args) {
            onPermissionRequested(args);
        });
    registerHandler<ICoreWebView2ContainsFullScreenElementChangedEventHandler>(
        webView, &ICoreWebView2::add_ContainsFullScreenElementChanged,
        IID_ICoreWebView2ContainsFullScreenElementChangedEventHandler,
        [](ICoreWebView2* sender, IUnknown*) { onContainsFullScreenElementChanged(sender); });
    registerHandler<ICoreWebView2WindowCloseRequestedEventHandler>(
        webView, &ICoreWebView2::add_WindowCloseRequested,
        IID_ICoreWebView2WindowCloseRequestedEventHandler,
        [](ICoreWebView2*, IUnknown*) { onWindowCloseRequested(); });
    registerHandler<ICoreWebView2NewWindowRequestedEventHandler>(
        webView, &ICoreWebView2::add_NewWindowRequested,
        IID_ICoreWebView2NewWindowRequestedEventHandler,
        [](ICoreWebView2*, ICoreWebView2NewWindowRequestedEventArgs* args) {
            onNewWindowRequested(args);
        });
    registerHandler<ICoreWebView2WebMessageReceivedEventHandler>(
        webView, &ICoreWebView2::add_WebMessageReceived,
        IID_ICoreWebView2WebMessageReceivedEventHandler,
        [](ICoreWebView2*, ICoreWebView2WebMessageReceivedEventArgs* args) {
            onWebMessageReceived(args);
        });
    registerHandler<ICoreWebView2DOMContentLoadedEventHandler>(
        webView2, &ICoreWebView2_2::add_DOMContentLoaded,
        IID_ICoreWebView2DOMContentLoadedEventHandler,
        [](ICoreWebView2*, ICoreWebView2DOMContentLoadedEventArgs*) { onDOMContentLoaded(); });
    registerHandler<ICoreWebView2ProcessFailedEventHandler>(
        webView, &ICoreWebView2::add_ProcessFailed, IID_ICoreWebView2ProcessFailedEventHandler,
        [](ICoreWebView2* sender, ICoreWebView2ProcessFailedEventArgs* args) {
            onProcessFailed(sender, args);
        });
}

}  // namespace

void reportBrowserFailure(const wchar_t* text, int exitCode) {
    // The box comes before the window goes: the window's destruction posts the quit message, and
    // a box shown while one is pending closes at once (the player would see nothing).
    MessageBoxW(nullptr, text, appConfig.windowTitle.c_str(), MB_OK | MB_ICONERROR);
    // The window goes first (its destruction asks to quit with 0), so the exit code is this one.
    if (IsWindow(windowState.window))
        DestroyWindow(windowState.window);
    PostQuitMessage(exitCode);
}

void onEnvironmentCreated(HRESULT errorCode, ICoreWebView2Environment* environment) {
    logLine("environment hr=" + hexCode(errorCode) + (environment ? "" : " (no environment)"));
    if (FAILED(errorCode) || environment == nullptr) {
        failBrowserStart(kBrowserStartFailed);
        return;
    }
    browserHost.environment.copyFrom(environment);
    auto completed = makeHandler<ICoreWebView2CreateCoreWebView2ControllerCompletedHandler>(
        IID_ICoreWebView2CreateCoreWebView2ControllerCompletedHandler,
        [](HRESULT result, ICoreWebView2Controller* controller) {
            onControllerCreated(result, controller);
        });
    const HRESULT created =
        completed ? environment->CreateCoreWebView2Controller(windowState.window, completed.get())
                  : E_OUTOFMEMORY;
    if (FAILED(created)) {
        logLine("controller creation call failed hr=" + hexCode(created));
        failBrowserStart(kBrowserStartFailed);
    }
}

void onControllerCreated(HRESULT errorCode, ICoreWebView2Controller* controller) {
    logLine("controller hr=" + hexCode(errorCode) + (controller ? "" : " (no controller)"));
    if (FAILED(errorCode) || controller == nullptr) {
        failBrowserStart(kBrowserStartFailed);
        return;
    }
    BrowserHost& host = browserHost;
    host.controller.copyFrom(controller);
    host.webView.reset();
    controller->get_CoreWebView2(host.webView.put());
    if (!host.webView) {
        failBrowserStart(kBrowserStartFailed);
        return;
    }
    host.webView2 = host.webView.query<ICoreWebView2_2>(IID_ICoreWebView2_2);
    // Without this interface no parsed document is ever reported and the window would never be
    // shown; every runtime of the targeted generation offers it, so an older one is reported.
    if (!host.webView2) {
        logLine("the view offers no ICoreWebView2_2: the runtime is too old");
        failBrowserStart(kBrowserTooOld);
        return;
    }

    applySettings(host.webView.get());
    RECT client = {};
    GetClientRect(windowState.window, &client);
    controller->put_Bounds(client);
    registerHandlers(host.webView.get(), host.webView2.get());
    connectPageApi(host.webView.get());
    const std::wstring start = appOrigin + appConfig.mainPage;
    host.webView->Navigate(start.c_str());
}

}  // namespace quorvane
