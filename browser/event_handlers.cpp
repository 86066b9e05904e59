#include "browser/event_handlers.h"

#include <string>

#include "platform/run_log.h"
#include "platform/scoped_com_mem.h"
#include "window/window_show.h"
#include "window/window_state.h"
#include "content/app_origin.h"
#include "browser/browser_host.h"
#include "browser/external_link.h"
#include "browser/uri_for_log.h"
#include "messaging/page_message.h"

namespace quorvane {

void onDocumentTitleChanged(ICoreWebView2* sender) noexcept {
    if (sender == nullptr)
        return;
    ScopedCoMem<wchar_t> title;
    sender->get_DocumentTitle(title.put());
    if (title)
        SetWindowTextW(windowState.window, title.get());
}

void onNavigationStarting(ICoreWebView2NavigationStartingEventArgs* args) noexcept {
    if (args == nullptr)
        return;
    ScopedCoMem<wchar_t> uri;
    args->get_Uri(uri.put());
    if (!uri || !beginsWithAppOrigin(uri.get())) {
        args->put_Cancel(TRUE);
        try {
            logLine("navigation refused " + schemeAndHost(uri ? uri.get() : L""));
        } catch (...) {
        }
    }
}

void onPermissionRequested(ICoreWebView2PermissionRequestedEventArgs* args) noexcept {
    if (args != nullptr)
        args->put_State(COREWEBVIEW2_PERMISSION_STATE_ALLOW);
}

void onContainsFullScreenElementChanged(ICoreWebView2* sender) noexcept {
    if (sender == nullptr)
        return;
    BOOL contains = FALSE;
    sender->get_ContainsFullScreenElement(&contains);
    setFullscreen(contains != FALSE);
}

void onWindowCloseRequested() noexcept {
    SendMessageW(windowState.window, WM_CLOSE, 0, 0);
}

void onNewWindowRequested(ICoreWebView2NewWindowRequestedEventArgs* args) noexcept {
    if (args == nullptr)
        return;
    try {
        ScopedCoMem<wchar_t> uri;
        args->get_Uri(uri.put());
        if (uri) {
            std::wstring link = uri.get();
            const bool allowed = isExternalLinkAllowed(link);
            logLine(std::string(allowed ? "new window handed over " : "new window refused ") +
                    schemeAndHost(link));
            if (allowed)
                openExternalLink(link);
        }
    } catch (...) {
    }
    args->put_Handled(TRUE);
}

void onWebMessageReceived(ICoreWebView2WebMessageReceivedEventArgs* args) noexcept {
    if (args == nullptr)
        return;
    ScopedCoMem<wchar_t> source;
    args->get_Source(source.put());
    if (!source || !beginsWithAppOrigin(source.get()))
        return;
    // Fails (E_INVALIDARG) for a message posted as a JSON value rather than a string: such a
    // message has no text to act on and is ignored.
    ScopedCoMem<wchar_t> message;
    if (FAILED(args->TryGetWebMessageAsString(message.put())) || !message)
        return;
    handlePageMessage(message.get());
}

void onDOMContentLoaded() noexcept {
    showMainWindow();
    if (browserHost.controller) {
        browserHost.controller->put_IsVisible(TRUE);
        browserHost.controller->MoveFocus(COREWEBVIEW2_MOVE_FOCUS_REASON_PROGRAMMATIC);
    }
}

}  // namespace quorvane
