#include "window/window_memory.h"

#include "platform/atomic_file.h"
#include "platform/run_log.h"
#include "platform/scoped_handle.h"
#include "platform/system_error.h"
#include "window/client_size.h"
#include "window/normal_rect.h"
#include "window/window_dpi.h"
#include "window/window_state.h"

namespace quorvane {

namespace {

// Where window.json lives; empty while the game does not remember its window.
std::wstring memoryFolder;

constexpr wchar_t kFileName[] = L"window.json";
// A real file is under 200 bytes; a larger one is not ours.
constexpr DWORD kLargestFile = 64 * 1024;

std::wstring memoryPath() {
    return memoryFolder + L"\\" + kFileName;
}

// The file's bytes, or why there are none.
std::optional<std::string> readMemoryFile(std::string& problem) {
    ScopedHandle file(CreateFileW(memoryPath().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        const DWORD error = GetLastError();
        problem = (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
                      ? "not found"
                      : "unreadable: " + systemErrorText(error);
        return std::nullopt;
    }
    std::string bytes(kLargestFile + 1, '\0');
    DWORD total = 0;
    DWORD got = 0;
    while (total < bytes.size() &&
           ReadFile(file.get(), bytes.data() + total, static_cast<DWORD>(bytes.size()) - total,
                    &got, nullptr) &&
           got > 0) {
        total += got;
    }
    if (total > kLargestFile) {
        problem = "larger than 64 KiB";
        return std::nullopt;
    }
    bytes.resize(total);
    return bytes;
}

std::string rectText(const RECT& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + " " +
           std::to_string(r.right - r.left) + "x" + std::to_string(r.bottom - r.top);
}

// Whether |rect| overlaps the work area of a monitor there is now. MonitorFromRect names the
// monitor it overlaps most; only its work area (without the taskbar) counts.
bool onAWorkArea(const RECT& rect) {
    HMONITOR monitor = MonitorFromRect(&rect, MONITOR_DEFAULTTONULL);
    MONITORINFO info = {};
    info.cbSize = sizeof info;
    RECT overlap = {};
    return monitor != nullptr && GetMonitorInfoW(monitor, &info) &&
           IntersectRect(&overlap, &rect, &info.rcWork);
}

void logNotUsed(const std::string& why) {
    logLine("window.json not used (" + why + "): the window starts at its default place");
}

}  // namespace

std::optional<StartPlacement> startRememberingWindow(const std::wstring& folder) {
    memoryFolder = folder;
    removeTemporaryFiles(folder);
    std::string problem;
    const std::optional<std::string> bytes = readMemoryFile(problem);
    if (!bytes) {
        logNotUsed(problem);
        return std::nullopt;
    }
    const RememberedWindowRead read = readRememberedWindow(*bytes);
    if (!read.window) {
        logNotUsed(read.problem);
        return std::nullopt;
    }
    StartPlacement placement;
    placement.rect = startRectInPixels(*read.window, windowDpi(nullptr));
    placement.maximized = read.window->maximized;
    placement.fullscreen = read.window->fullscreen;
    if (!onAWorkArea(placement.rect)) {
        logNotUsed("the rectangle " + rectText(placement.rect) +
                   " is on no monitor's work area now");
        return std::nullopt;
    }
    logLine("window from window.json: " + rectText(placement.rect) +
            (placement.maximized ? " maximized" : "") +
            (placement.fullscreen ? " fullscreen" : ""));
    return placement;
}

void applyStartPlacement(const StartPlacement& placement) noexcept {
    windowState.maximizeWhenShown = placement.maximized;
    if (placement.fullscreen)
        setFullscreen(true);
}

RememberedWindow mainWindowMemory() {
    const WindowState& state = windowState;
    HWND window = state.window;
    RECT rect = {};
    bool maximized = state.maximizeWhenShown;
    if (state.fullscreen) {
        // Entered from a maximized window, the style keeps WS_MAXIMIZE and the system still
        // knows the rectangle it restores to; otherwise the rectangle left is the windowed one.
        const bool fromMaximized = (state.savedStyle & WS_MAXIMIZE) != 0;
        maximized = maximized || fromMaximized;
        rect = fromMaximized ? normalWindowRect(window) : state.savedRect;
        if (state.clientSizeAfterFullscreen) {
            // What leaving fullscreen would make of it.
            rect =
                windowedRectForClientSize(rect, *state.clientSizeAfterFullscreen, state.savedStyle,
                                          state.savedExStyle, windowDpi(window));
            maximized = false;
        }
    } else {
        rect = normalWindowRect(window);
        maximized =
            maximized || IsZoomed(window) || (IsIconic(window) && restoresMaximized(window));
    }
    return rememberWindowRect(rect, windowDpi(window), maximized, state.fullscreen);
}

void rememberWindowNow() noexcept {
    if (memoryFolder.empty() || windowState.window == nullptr || !IsWindow(windowState.window))
        return;
    try {
        CreateDirectoryW(memoryFolder.c_str(), nullptr);
        const DWORD error =
            replaceFileAtomically(memoryPath(), rememberedWindowText(mainWindowMemory()));
        if (error != 0)
            logLine("window.json not written: " + systemErrorText(error));
    } catch (...) {
        // Out of memory while closing: the last run's file stays as it was.
    }
}

}  // namespace quorvane
