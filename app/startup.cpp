#include "app/startup.h"

#include <windows.h>
#include <objbase.h>

#include <cstdio>
#include <optional>
#include <string>

#include "platform/app_paths.h"
#include "platform/crash_dump.h"
#include "platform/display_scale.h"
#include "platform/gdiplus_api.h"
#include "platform/icon_from_image.h"
#include "platform/local_app_data.h"
#include "platform/run_log.h"
#include "platform/utf8.h"
#include "app/main_window.h"
#include "app/single_instance.h"
#include "platform/scoped_com_mem.h"
#include "app/startup_messages.h"
#include "browser/browser_messages.h"
#include "window/window_frame.h"
#include "window/window_memory.h"
#include "window/window_state.h"
#include "browser/browser_host.h"
#include "browser/browser_start.h"
#include "browser/environment_options.h"
#include "browser/gpu_preference.h"
#include "browser/installed_runtime.h"
#include "browser/runtime_loader.h"
#include "content/mapped_file_cache.h"
#include "installer/runtime_installer.h"
#include "manifest/app_config.h"
#include "manifest/manifest_loader.h"
#include "messaging/page_api.h"
#include "messaging/saves_folder.h"
#include "steam/steam_session.h"

namespace quorvane {

void showErrorBox(const wchar_t* text, const wchar_t* caption) {
    MessageBoxW(nullptr, text, caption, MB_OK | MB_ICONERROR);
}

namespace {

// The whole manifest as bytes; empty when it is missing, unreadable or of length zero.
std::string readManifestText(const std::wstring& path) {
    std::string text;
    FILE* file = nullptr;
    if (_wfopen_s(&file, path.c_str(), L"rbS") != 0 || file == nullptr)
        return text;
    char buffer[16384];
    size_t got = 0;
    while ((got = fread(buffer, 1, sizeof buffer, file)) > 0)
        text.append(buffer, got);
    fclose(file);
    return text;
}

// True when the runtime answers with a version string for |browserFolder| (null: machine-wide).
bool runtimeAvailable(const wchar_t* browserFolder) {
    ScopedCoMem<wchar_t> version;
    GetAvailableCoreWebView2BrowserVersionString(browserFolder, version.put());
    if (!version) {
        logLine("runtime not found");
        return false;
    }
    logLine("runtime found version=" + wideToUtf8(version.get()) +
            " path=" + wideToUtf8(runtimeLocation(browserFolder)));
    return true;
}

// The executable's file version ("1.2.3.0"); "none" without one.
std::string executableVersion() {
    const std::wstring version = fileVersionOf(executablePath());
    return version.empty() ? "none" : wideToUtf8(version);
}

// Decides the runtime, installing the machine-wide one when it is missing. False after the
// failure box has been shown.
bool detectRuntime(HINSTANCE instance, const wchar_t* browserFolder,
                   const std::wstring& userDataFolder) {
    const AppConfig& config = appConfig;
    if (config.distributionMode == DistributionMode::Fixed) {
        if (runtimeAvailable(browserFolder))
            return true;
        showErrorBox(kFixedRuntimeMissing, config.windowTitle.c_str());
        return false;
    }
    if (runtimeAvailable(nullptr))
        return true;
    MessageBoxW(nullptr, config.installMessage.c_str(), config.windowTitle.c_str(),
                MB_OK | MB_ICONINFORMATION);
    installRuntime(instance, userDataFolder, config);
    if (runtimeAvailable(nullptr))
        return true;
    showErrorBox(config.installFailedMessage.c_str(), config.windowTitle.c_str());
    return false;
}

// How long a second start of a one-copy game waits for a copy that is still starting or closing.
constexpr DWORD kOtherCopyPatienceMs = 5000;

// Why this start runs although another copy holds the game, for the log; empty otherwise.
std::string otherCopyNote;

// |placement|: the rectangle the last run left (the game remembers its window); null: the
// manifest's size where the system puts a new window.
HWND createMainWindow(HINSTANCE instance, const StartPlacement* placement) {
    const AppConfig& config = appConfig;
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = mainWindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = config.windowIcon;
    windowClass.hIconSm = config.windowIcon;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1));
    windowClass.lpszClassName = kMainWindowClass;
    if (RegisterClassExW(&windowClass) == 0) {
        showErrorBox(kRegisterClassFailed, kShellCaption);
        return nullptr;
    }

    // No sizing border and no maximize box when the app is not resizable.
    const DWORD style = config.resizable
                            ? WS_OVERLAPPEDWINDOW
                            : (WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX);
    RECT frame = {};
    AdjustWindowRectEx(&frame, style, FALSE, 0);
    const SIZE outer = outerWindowSize(scaleForDisplay(config.windowWidth),
                                       scaleForDisplay(config.windowHeight), frame);

    int x = CW_USEDEFAULT;
    int y = CW_USEDEFAULT;
    int width = outer.cx;
    int height = outer.cy;
    if (placement != nullptr) {
        x = placement->rect.left;
        y = placement->rect.top;
        width = placement->rect.right - placement->rect.left;
        height = placement->rect.bottom - placement->rect.top;
    }

    // Created hidden: the browser host shows it once the first document has been parsed.
    HWND window = CreateWindowExW(0, kMainWindowClass, config.windowTitle.c_str(), style, x, y,
                                  width, height, nullptr, nullptr, instance, nullptr);
    if (window == nullptr)
        showErrorBox(kCreateWindowFailed, kShellCaption);
    return window;
}

// The process-wide COM references, released once the loop has ended: the taskbar list, then the
// browser objects from the view down to the environment.
void releaseProcessReferences() {
    windowState.taskbarList.reset();
    browserHost.release();
}

// The page's saves: their folder, from the manifest, is logged, since a player or a maker who
// looks for the files needs to know where they went.
void startSaves(HWND window, const std::wstring& userDataFolder) {
    const std::wstring folder = savesFolderFor(appConfig, userDataFolder);
    std::string line = "saves folder=" + wideToUtf8(folder);
    if (!appConfig.savesFolderProblem.empty())
        line += " (\"saves-folder\" " + appConfig.savesFolderProblem + ": the default)";
    logLine(line);
    startPageApi(window, folder);
}

// Steam, when the manifest turns it on, lives from before the first window until after the
// browser has been released: its shutdown is the last thing on every way out of the run.
struct SteamForRun {
    SteamForRun() = default;
    SteamForRun(const SteamForRun&) = delete;
    SteamForRun& operator=(const SteamForRun&) = delete;
    ~SteamForRun() { stopSteam(); }
};

// Everything after the log has been opened; returns the exit code.
int runLogged(HINSTANCE instance, const std::wstring& folder, const std::wstring& userDataFolder) {
    AppConfig& config = appConfig;
    logLine("start executable=" + wideToUtf8(executablePath()) + " version=" +
            executableVersion() + " app=\"" + wideToUtf8(config.name) + "\" distribution=" +
            (config.distributionMode == DistributionMode::Fixed ? "fixed" : "evergreen"));
    if (!otherCopyNote.empty())
        logLine(otherCopyNote);

    if (startSteam(folder, config.steamAppId, config.steamProblem) == SteamStart::Restart)
        return 0;
    const SteamForRun steam;

    // Without GDI+ no image is decoded and the default icon is used.
    const GdiplusApi& gdiplus = gdiplusApi();
    ULONG_PTR gdiplusToken = 0;
    Gdiplus::GdiplusStartupInput gdiplusInput;
    if (gdiplus.startup)
        gdiplus.startup(&gdiplusToken, &gdiplusInput, nullptr);

    if (!config.windowIconPath.empty()) {
        config.windowIcon = iconFromImageFile(folder + config.windowIconPath);
    }
    if (config.windowIcon == nullptr)
        config.windowIcon = LoadIconW(nullptr, IDI_APPLICATION);

    // Fixed mode hands the relative folder on as it is: the runtime resolves it against the
    // current directory.
    BrowserStart& start = browserStart;
    if (config.distributionMode == DistributionMode::Fixed)
        start.browserFolder = L"webview2";
    const wchar_t* browserFolder = start.browserFolder ? start.browserFolder->c_str() : nullptr;
    if (!detectRuntime(instance, browserFolder, userDataFolder))
        return 1;

    std::optional<StartPlacement> placement;
    if (config.rememberWindow)
        placement = startRememberingWindow(userDataFolder);
    HWND window = createMainWindow(instance, placement ? &*placement : nullptr);
    if (window == nullptr)
        return 1;
    windowState.window = window;
    if (placement)
        applyStartPlacement(*placement);
    publishInstanceWindow(window);

    startSaves(window, userDataFolder);
    // Every way out of the run stops the page worker, writing the saves it holds; a worker
    // still running when the process ends would end it with std::terminate.
    struct StopPageApiAtEnd {
        ~StopPageApiAtEnd() { stopPageApi(); }
    } stopPageApiAtEnd;

    start.userDataFolder = userDataFolder;
    start.options = makeEnvironmentOptions(browserArguments(config.chromiumArgs, config.gpu));
    applyRuntimeGpuPreference(config.gpu, start.browserFolder, folder);
    // A failure here means no completion will ever arrive and the window would stay hidden for
    // good; say so and end the run instead.
    if (FAILED(startBrowser())) {
        showErrorBox(kBrowserStartFailed, config.windowTitle.c_str());
        return 1;
    }

    MSG message = {};
    BOOL got;
    while ((got = GetMessageW(&message, nullptr, 0, 0)) != 0) {
        if (got == -1)
            break;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }

    // Saves the page asked for before the window closed are written before the run ends.
    stopPageApi();
    releaseMappedFiles();
    if (gdiplus.shutdown && gdiplusToken != 0)
        gdiplus.shutdown(gdiplusToken);
    start.options.reset();
    releaseProcessReferences();
    return static_cast<int>(message.wParam);
}

}  // namespace

int runShell(HINSTANCE instance) {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);

    const std::wstring folder = appFolder();
    const std::string manifest = readManifestText(folder + L"package.json");
    if (manifest.empty()) {
        showErrorBox(kManifestLoadFailed, kShellCaption);
        return 1;
    }
    try {
        ManifestLoader::parseManifest(manifest.c_str(), appConfig);
    } catch (...) {
        showErrorBox(kManifestParseFailed, kShellCaption);
        return 1;
    }

    // One copy at a time: a second start hands over to the running copy before it leaves any
    // trace (no log, window or browser of its own).
    if (appConfig.singleInstance &&
        claimSingleInstance(executablePath(), kOtherCopyPatienceMs, otherCopyNote) ==
            InstanceStart::HandedOver) {
        return 0;
    }

    const std::wstring localAppData = localAppDataPath();
    if (localAppData.empty()) {
        showErrorBox(kLocalAppDataMissing, kShellCaption);
        return 1;
    }
    const std::wstring userDataFolder = localAppData + L"\\" + appConfig.name;

    // From here on the run leaves a log and, should it crash, a dump beside it.
    openRunLog(userDataFolder);
    installCrashHandler(userDataFolder);
    const int exitCode = runLogged(instance, folder, userDataFolder);
    logLine("exit code=" + std::to_string(exitCode));
    closeRunLog();
    return exitCode;
}

}  // namespace quorvane
