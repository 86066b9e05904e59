#include "installer/runtime_installer.h"

#include <commctrl.h>
#include <process.h>

#include "installer/download_worker.h"
#include "installer/setup_window.h"
#include "platform/run_log.h"
#include "platform/scoped_handle.h"
#include "platform/system_library.h"
#include "platform/utf8.h"

namespace quorvane {

const std::wstring runtimeBootstrapperLink = L"https://go.microsoft.com/fwlink/p/?LinkId=2124703";

namespace {

void showError(const AppConfig& config, const wchar_t* text) {
    logLine("installer failed: " + wideToUtf8(text));
    MessageBoxW(nullptr, text, config.windowTitle.c_str(), MB_OK | MB_ICONERROR);
}

// Runs the UI thread's messages until the progress window's destruction posts WM_QUIT, and
// consumes that quit message so the main loop that starts later never sees it.
void runUntilWindowGone() {
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

// Starts the downloaded bootstrapper with no switches, from the user data folder, and waits for
// it without a time-out. Its exit code says nothing the caller's runtime detection will not.
void runInstaller(const std::wstring& targetPath, const std::wstring& userDataFolder) {
    wchar_t commandLine[1] = L"";  // CreateProcessW may write into the command line
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    logLine("installer running " + wideToUtf8(targetPath));
    if (!CreateProcessW(targetPath.c_str(), commandLine, nullptr, nullptr, FALSE, 0, nullptr,
                        userDataFolder.c_str(), &startup, &process)) {
        logLine("installer could not start the setup: error " + std::to_string(GetLastError()));
        return;
    }
    ScopedHandle processHandle(process.hProcess);
    ScopedHandle threadHandle(process.hThread);
    WaitForSingleObject(processHandle.get(), INFINITE);
    DWORD exitCode = 0;
    GetExitCodeProcess(processHandle.get(), &exitCode);
    logLine("installer setup ended with exit code " + std::to_string(exitCode));
}

}  // namespace

void installRuntime(HINSTANCE instance, const std::wstring& userDataFolder,
                    const AppConfig& config) {
    installRuntimeFrom(instance, userDataFolder, config, runtimeBootstrapperLink);
}

void installRuntimeFrom(HINSTANCE instance, const std::wstring& userDataFolder,
                        const AppConfig& config, const std::wstring& link) {
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof controls;
    controls.dwICC = ICC_PROGRESS_CLASS;
    // comctl32 is not a known DLL: loaded from System32, never imported. Missing, it is reported
    // like a failing initialisation.
    static const auto initCommonControls =
        systemFunction<decltype(&InitCommonControlsEx)>(L"comctl32.dll", "InitCommonControlsEx");
    if (initCommonControls == nullptr || !initCommonControls(&controls)) {
        showError(config, L"Failed to initialize common controls");
        return;
    }
    if (!CreateDirectoryW(userDataFolder.c_str(), nullptr) &&
        GetLastError() != ERROR_ALREADY_EXISTS) {
        showError(config, L"Failed to create user data directory");
        return;
    }
    if (!registerSetupWindowClass(instance, config.windowIcon)) {
        showError(config, L"Failed to register window class");
        return;
    }
    HWND window = createSetupWindow(instance, config.downloadingMessage);
    if (window == nullptr) {
        showError(config, L"Failed to create window");
        return;
    }
    HWND bar = createSetupProgressBar(instance, window);

    DownloadJob job;
    job.link = link;
    job.targetPath = userDataFolder + L"\\Webview2Setup.exe";
    job.progressWindow = window;
    job.progressBar = bar;

    logLine("installer downloading " + wideToUtf8(job.link) + " to " + wideToUtf8(job.targetPath));
    ScopedHandle worker(
        reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, downloadWorker, &job, 0, nullptr)));
    if (!worker) {
        logLine("installer could not start the download");
        // Without a worker nothing would ever close the window: close it here, and let the loop
        // below take the quit message its destruction posts.
        SendMessageW(window, WM_CLOSE, 0, 0);
        runUntilWindowGone();
        return;
    }
    runUntilWindowGone();
    // The job lives on this stack and the worker may still be downloading (the user can close
    // the window at any time): wait for it before anything goes away.
    WaitForSingleObject(worker.get(), INFINITE);
    worker.reset();
    logLine(job.downloaded ? "installer download succeeded" : "installer download failed");

    if (job.downloaded)
        runInstaller(job.targetPath, userDataFolder);
}

}  // namespace quorvane
