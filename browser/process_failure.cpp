#include "browser/process_failure.h"

#include <string>

#include "browser/browser_host.h"
#include "browser/browser_messages.h"
#include "browser/browser_setup.h"
#include "browser/browser_start.h"
#include "platform/com_ref.h"
#include "platform/run_log.h"
#include "platform/scoped_com_mem.h"
#include "platform/utf8.h"
#include "window/window_state.h"

namespace quorvane {

namespace {

struct Name {
    int value;
    const char* text;
};

const Name kKindNames[] = {
    {COREWEBVIEW2_PROCESS_FAILED_KIND_BROWSER_PROCESS_EXITED, "browser process exited"},
    {COREWEBVIEW2_PROCESS_FAILED_KIND_RENDER_PROCESS_EXITED, "render process exited"},
    {COREWEBVIEW2_PROCESS_FAILED_KIND_RENDER_PROCESS_UNRESPONSIVE, "render process unresponsive"},
    {COREWEBVIEW2_PROCESS_FAILED_KIND_FRAME_RENDER_PROCESS_EXITED, "frame render process exited"},
    {COREWEBVIEW2_PROCESS_FAILED_KIND_UTILITY_PROCESS_EXITED, "utility process exited"},
    {COREWEBVIEW2_PROCESS_FAILED_KIND_SANDBOX_HELPER_PROCESS_EXITED,
     "sandbox helper process exited"},
    {COREWEBVIEW2_PROCESS_FAILED_KIND_GPU_PROCESS_EXITED, "GPU process exited"},
    {COREWEBVIEW2_PROCESS_FAILED_KIND_PPAPI_PLUGIN_PROCESS_EXITED, "plugin process exited"},
    {COREWEBVIEW2_PROCESS_FAILED_KIND_PPAPI_BROKER_PROCESS_EXITED, "plugin broker process exited"},
    {COREWEBVIEW2_PROCESS_FAILED_KIND_UNKNOWN_PROCESS_EXITED, "unknown process exited"},
};

const Name kReasonNames[] = {
    {COREWEBVIEW2_PROCESS_FAILED_REASON_UNEXPECTED, "unexpected"},
    {COREWEBVIEW2_PROCESS_FAILED_REASON_UNRESPONSIVE, "unresponsive"},
    {COREWEBVIEW2_PROCESS_FAILED_REASON_TERMINATED, "terminated"},
    {COREWEBVIEW2_PROCESS_FAILED_REASON_CRASHED, "crashed"},
    {COREWEBVIEW2_PROCESS_FAILED_REASON_LAUNCH_FAILED, "launch failed"},
    {COREWEBVIEW2_PROCESS_FAILED_REASON_OUT_OF_MEMORY, "out of memory"},
    {COREWEBVIEW2_PROCESS_FAILED_REASON_PROFILE_DELETED, "profile deleted"},
    {COREWEBVIEW2_PROCESS_FAILED_REASON_NORMAL_EXIT, "normal exit"},
    {COREWEBVIEW2_PROCESS_FAILED_REASON_ABNORMAL_EXIT, "abnormal exit"},
    {COREWEBVIEW2_PROCESS_FAILED_REASON_INTEGRITY_FAILURE, "integrity failure"},
};

// "3 (crashed)"; a value a newer runtime added is written as a number alone.
template <size_t N>
std::string named(int value, const Name (&names)[N]) {
    for (const Name& name : names) {
        if (name.value == value)
            return std::to_string(value) + " (" + name.text + ")";
    }
    return std::to_string(value) + " (not known to this version)";
}

// "process failed kind=1 (render process exited) reason=3 (crashed) exit code=-1073741819".
std::string describeFailure(COREWEBVIEW2_PROCESS_FAILED_KIND kind,
                            ICoreWebView2ProcessFailedEventArgs* args) {
    std::string line = "process failed kind=" + named(kind, kKindNames);
    // Runtimes older than the second arguments interface have no reason or exit code to give.
    auto details = ComRef<ICoreWebView2ProcessFailedEventArgs>::copyOf(args)
                       .query<ICoreWebView2ProcessFailedEventArgs2>(
                           IID_ICoreWebView2ProcessFailedEventArgs2);
    COREWEBVIEW2_PROCESS_FAILED_REASON reason = COREWEBVIEW2_PROCESS_FAILED_REASON_UNEXPECTED;
    int exitCode = 0;
    if (!details || FAILED(details->get_Reason(&reason)))
        line += " reason=unknown";
    else
        line += " reason=" + named(reason, kReasonNames);
    if (!details || FAILED(details->get_ExitCode(&exitCode)))
        line += " exit code=unknown";
    else
        line += " exit code=" + std::to_string(exitCode);
    ScopedCoMem<wchar_t> description;
    if (details && SUCCEEDED(details->get_ProcessDescription(description.put())) && description &&
        *description.get() != L'\0') {
        line += " description=\"" + wideToUtf8(description.get()) + "\"";
    }
    return line;
}

// Drops the times that left the window, adds |nowMs|, and says whether more failures than
// |recovered| are now inside it.
bool tooMany(std::deque<ULONGLONG>& times, ULONGLONG nowMs, size_t recovered) {
    while (!times.empty() && nowMs - times.front() >= kFailureWindowMs)
        times.pop_front();
    times.push_back(nowMs);
    return times.size() > recovered;
}

// COM promises one identity per object only through IUnknown.
bool sameObject(IUnknown* a, IUnknown* b) {
    if (a == nullptr || b == nullptr)
        return false;
    ComRef<IUnknown> first, second;
    a->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(first.put()));
    b->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(second.put()));
    return first && first.get() == second.get();
}

struct FailureState {
    FailurePolicy policy;
    bool restartPending = false;
    bool gaveUp = false;
};

FailureState& failureState() {
    static FailureState state;
    return state;
}

}  // namespace

FailureResponse FailurePolicy::respond(COREWEBVIEW2_PROCESS_FAILED_KIND kind, ULONGLONG nowMs) {
    switch (kind) {
        case COREWEBVIEW2_PROCESS_FAILED_KIND_RENDER_PROCESS_EXITED:
            return tooMany(renderExits_, nowMs, kRenderExitsRecovered) ? FailureResponse::GiveUp
                                                                       : FailureResponse::Reload;
        case COREWEBVIEW2_PROCESS_FAILED_KIND_BROWSER_PROCESS_EXITED:
            return tooMany(browserExits_, nowMs, kBrowserExitsRecovered)
                       ? FailureResponse::GiveUp
                       : FailureResponse::RestartBrowser;
        default:
            // Unresponsive: a game's long load must never be killed. Frames' renderers, the GPU
            // and utility processes: the runtime starts them again by itself.
            return FailureResponse::LogOnly;
    }
}

void onProcessFailed(ICoreWebView2* sender, ICoreWebView2ProcessFailedEventArgs* args) noexcept {
    if (args == nullptr)
        return;
    try {
        COREWEBVIEW2_PROCESS_FAILED_KIND kind;
        if (FAILED(args->get_ProcessFailedKind(&kind))) {
            logLine("process failed, kind unreadable");
            return;
        }
        logLine(describeFailure(kind, args));
        FailureState& state = failureState();
        BrowserHost& host = browserHost;
        // A view already given up on, or one about to be replaced, needs nothing more.
        if (state.gaveUp || state.restartPending || !sameObject(sender, host.webView.get()))
            return;
        switch (state.policy.respond(kind, GetTickCount64())) {
            case FailureResponse::LogOnly:
                return;
            case FailureResponse::Reload:
                logLine("reloading the page");
                sender->Reload();
                return;
            case FailureResponse::RestartBrowser:
                logLine("restarting the browser");
                state.restartPending = true;
                PostMessageW(windowState.window, kRestartBrowserMessage, 0, 0);
                return;
            case FailureResponse::GiveUp:
                state.gaveUp = true;
                logLine(kind == COREWEBVIEW2_PROCESS_FAILED_KIND_BROWSER_PROCESS_EXITED
                            ? "giving up: the browser exited twice within 60 s"
                            : "giving up: the page's process exited 3 times within 60 s");
                reportBrowserFailure(kGameStoppedWorking, kGaveUpExitCode);
                return;
        }
    } catch (...) {
    }
}

void restartBrowser() noexcept {
    FailureState& state = failureState();
    if (!state.restartPending || state.gaveUp)
        return;
    state.restartPending = false;
    BrowserHost& host = browserHost;
    if (host.controller)
        host.controller->Close();
    host.release();
    if (FAILED(startBrowser()))
        reportBrowserFailure(kBrowserStartFailed, 1);
}

}  // namespace quorvane
