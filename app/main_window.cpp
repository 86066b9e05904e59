#include "app/main_window.h"

#include "app/single_instance.h"
#include "browser/browser_host.h"
#include "browser/process_failure.h"
#include "messaging/app_requests.h"
#include "messaging/page_worker.h"
#include "messaging/page_api.h"
#include "steam/steam_session.h"
#include "window/window_memory.h"
#include "window/window_show.h"

namespace quorvane {

const wchar_t kMainWindowClass[] = L"WindowsQuorvane";

LRESULT CALLBACK mainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    switch (message) {
        case WM_DESTROY:
            // Later starts no longer find this copy; the player's window is kept for the next run.
            withdrawInstanceWindow();
            rememberWindowNow();
            // 0 after a close by the player; the page's own code after "app.quit".
            PostQuitMessage(requestedExitCode());
            return 0;
        case WM_ENDSESSION:
            // Windows is shutting down or the player logs off: the process ends without WM_DESTROY.
            if (wParam) {
                rememberWindowNow();
                // What the page set and did not store would be lost with the process.
                stopSteam();
            }
            return 0;
        case WM_MOVE:
        case WM_MOVING:
            if (browserHost.controller)
                browserHost.controller->NotifyParentWindowPositionChanged();
            return 0;
        case WM_SIZE:
            // Every size type, minimising included: a minimised window has an empty client area
            // and the view follows it.
            if (browserHost.controller) {
                RECT client = {};
                GetClientRect(window, &client);
                browserHost.controller->put_Bounds(client);
            }
            return 0;
        case kPageWorkMessage:
            runPageWorkerTasks();
            return 0;
        case kRestartBrowserMessage:
            restartBrowser();
            return 0;
        default:
            if (message == anotherStartMessage()) {
                bringMainWindowToFront();
                return kAnotherStartAnswer;
            }
            return DefWindowProcW(window, message, wParam, lParam);
    }
}

}  // namespace quorvane
