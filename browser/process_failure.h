#pragma once

#include <windows.h>

#include <deque>

#include "webview2/webview2_api.h"

namespace quorvane {

// What the shell does when one of the browser's processes fails.
enum class FailureResponse {
    LogOnly,         // the runtime recovers it by itself, or it may still come back (unresponsive)
    Reload,          // the page's renderer is gone: load the page again, storage kept
    RestartBrowser,  // the browser is gone: make a new one as at start-up
    GiveUp,          // it keeps failing: tell the player and end the run
};

// Recovery is tried a limited number of times within a minute, so a page that crashes its renderer
// at once, or a browser that cannot stay up, ends the run instead of looping.
inline constexpr ULONGLONG kFailureWindowMs = 60000;
inline constexpr size_t kRenderExitsRecovered = 2;   // the third within the window gives up
inline constexpr size_t kBrowserExitsRecovered = 1;  // the second within the window gives up

// The exit code of a run that gave up.
inline constexpr int kGaveUpExitCode = 2;

// The message the main window receives when the browser is to be made again (posted, so that the
// dead objects are released outside the runtime's event).
inline constexpr UINT kRestartBrowserMessage = WM_APP + 0x51;

class FailurePolicy {
  public:
    // The response to a failure of |kind| at |nowMs| (a steady clock in milliseconds). Kinds this
    // code does not know are only logged.
    FailureResponse respond(COREWEBVIEW2_PROCESS_FAILED_KIND kind, ULONGLONG nowMs);

  private:
    std::deque<ULONGLONG> renderExits_;
    std::deque<ULONGLONG> browserExits_;
};

// The ProcessFailed handler: logs the failure (kind, reason, exit code) and responds.
void onProcessFailed(ICoreWebView2* sender, ICoreWebView2ProcessFailedEventArgs* args) noexcept;

// Run by the main window on kRestartBrowserMessage: closes and releases the dead controller, view
// and environment and creates new ones with the start-up's own parameters; the completions then
// register every handler again and navigate to the main page. The window keeps its state.
void restartBrowser() noexcept;

}  // namespace quorvane
