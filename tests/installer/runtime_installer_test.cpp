#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/app_paths.h"
#include "platform/display_scale.h"
#include "installer/download_progress.h"
#include "installer/runtime_installer.h"
#include "manifest/app_config.h"
#include "tests/installer/setup_window_spy.h"
#include "tests/support/files.h"
#include "tests/support/loopback_http_server.h"
#include "tests/support/message_box_catcher.h"
#include "tests/support/temp_dir.h"

namespace quorvane {
namespace {

using testing::closedLoopbackPort;
using testing::fileExists;
using testing::LoopbackHttpServer;
using testing::MessageBoxCatcher;
using testing::narrow;
using testing::readFile;
using testing::ScriptedResponse;
using testing::SetupWindowSpy;
using testing::splitLines;
using testing::TempDir;
using testing::writeFile;

bool quitMessagePending() {
    MSG message;
    return PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != FALSE;
}

class InstallFlow : public ::testing::Test {
  protected:
    // Like start-up, the flow runs on a single-threaded COM apartment.
    InstallFlow() {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        config.name = L"flow-test";
        config.windowTitle = L"Quorvane Test \u00e9";
        config.downloadingMessage = L"T\u00e9l\u00e9chargement du runtime\u2026";
        config.windowIcon = LoadIconW(nullptr, IDI_APPLICATION);
        setupProgram = readFile(folderOf(executablePath()) + L"fake_setup.exe");
    }
    ~InstallFlow() override { CoUninitialize(); }

    // Serves the stand-in bootstrapper in five pieces, so the bar sees progress on the way.
    ScriptedResponse setupDownload() const {
        ScriptedResponse response;
        response.body = setupProgram;
        response.chunkSize = setupProgram.size() / 5 + 1;
        response.chunkPauseMs = 100;
        return response;
    }

    void install(const std::wstring& link) {
        installRuntimeFrom(GetModuleHandleW(nullptr), userData, config, link);
    }

    // One line per run of the stand-in bootstrapper: "ran|<command line>|<current directory>".
    std::vector<std::string> runs() const {
        return fileExists(record) ? splitLines(readFile(record)) : std::vector<std::string>{};
    }
    // Started with an empty command line from the user data folder. Windows hands the child the
    // empty command line as given; Wine replaces an empty one by the quoted application name.
    bool isExpectedRun(const std::string& run) const {
        std::string directory = "|" + narrow(userData);
        return run == "ran|" + directory || run == "ran|\"" + narrow(target) + "\"" + directory;
    }
    void expectOneRun() const {
        std::vector<std::string> seen = runs();
        ASSERT_EQ(seen.size(), 1u);
        EXPECT_TRUE(isExpectedRun(seen[0])) << seen[0];
    }
    HWND setupWindow(const SetupWindowSpy& spy) const {
        std::vector<testing::CreatedWindow> windows = spy.createdOf(L"WebView2Setup");
        return windows.empty() ? nullptr : windows[0].window;
    }

    TempDir temp;
    std::wstring userData = temp / L"User Data";
    std::wstring target = userData + L"\\Webview2Setup.exe";
    std::wstring record = userData + L"\\setup-ran.txt";
    AppConfig config;
    std::string setupProgram;
    MessageBoxCatcher boxes;  // none expected unless a test says so; dismissed if one comes
};

TEST_F(InstallFlow, GoodDownloadMovesTheBarClosesTheWindowAndRunsTheInstaller) {
    LoopbackHttpServer server(setupDownload());
    SetupWindowSpy spy;
    install(server.url(L"/fwlink/p/?LinkId=1"));

    EXPECT_EQ(server.requestLines(), std::vector<std::string>{"GET /fwlink/p/?LinkId=1 HTTP/1.1"});
    ASSERT_TRUE(fileExists(target));  // it stays after the run
    EXPECT_TRUE(readFile(target) == setupProgram);
    // Run once, with an empty command line, from the user data folder, and waited for: the
    // stand-in writes its record half a second after it starts.
    expectOneRun();

    EXPECT_EQ(spy.ranges, std::vector<LPARAM>{MAKELPARAM(0, 100)});
    EXPECT_EQ(spy.steps, std::vector<WPARAM>{1});
    ASSERT_FALSE(spy.positions.empty());
    EXPECT_TRUE(std::is_sorted(spy.positions.begin(), spy.positions.end()));
    // N of N bytes: N x 100 in single precision can round below N x 100, so a finished download
    // may end at 99 (whether it does depends on the stand-in program's size).
    int finished = downloadPercentage(static_cast<ULONG>(setupProgram.size()),
                                      static_cast<ULONG>(setupProgram.size()));
    EXPECT_EQ(spy.positions.back(), finished);
    EXPECT_TRUE(std::any_of(spy.positions.begin(), spy.positions.end(), [](int p) {
        return p > 0 && p < 100;
    })) << "the bar went straight to the end";
    ASSERT_TRUE(spy.closing.taken);
    EXPECT_EQ(spy.closing.barPosition, finished);

    ASSERT_NE(setupWindow(spy), nullptr);
    EXPECT_FALSE(IsWindow(setupWindow(spy)));  // closed when the download call returned
    EXPECT_FALSE(quitMessagePending());        // its WM_QUIT was consumed by the flow
    EXPECT_TRUE(boxes.boxes().empty());
}

// No HTTP status reaches the callback for a file: link; the download call's success and the file
// it left decide, so the installer runs.
TEST_F(InstallFlow, DownloadWhoseStatusIsNeverReportedRunsTheInstaller) {
    const std::wstring source = temp / L"served setup.exe";
    writeFile(source, setupProgram);
    install(testing::fileUrl(source));
    ASSERT_TRUE(fileExists(target));
    EXPECT_TRUE(readFile(target) == setupProgram);
    expectOneRun();
    EXPECT_TRUE(boxes.boxes().empty());
}

TEST_F(InstallFlow, ProgressWindowHasItsClassStyleTitleSizeAndPlace) {
    ScriptedResponse missing;
    missing.statusLine = "HTTP/1.1 404 Not Found";
    missing.body = "not found";
    LoopbackHttpServer server(missing);
    SetupWindowSpy spy;
    install(server.url(L"/setup"));

    ASSERT_EQ(spy.createdOf(L"WebView2Setup").size(), 1u);
    ASSERT_EQ(spy.createdOf(L"msctls_progress32").size(), 1u);
    const testing::CreatedWindow window = spy.createdOf(L"WebView2Setup")[0];
    int width = scaleForDisplay(300);
    int height = scaleForDisplay(90);
    int x = GetSystemMetrics(SM_CXSCREEN) / 2 - width / 2;
    int y = GetSystemMetrics(SM_CYSCREEN) / 2 - height / 2;
    EXPECT_EQ(window.className, L"WebView2Setup");
    EXPECT_EQ(window.title, config.downloadingMessage);
    EXPECT_EQ(window.style, 0x10CA0000u);
    // Extended style 0 is passed; the platform adds WS_EX_WINDOWEDGE to a captioned window before
    // the CBT hook sees the creation (seen under Wine).
    EXPECT_EQ(window.exStyle & ~DWORD{WS_EX_WINDOWEDGE}, 0u);
    EXPECT_EQ(window.x, x);
    EXPECT_EQ(window.y, y);
    EXPECT_EQ(window.width, width);
    EXPECT_EQ(window.height, height);
    EXPECT_EQ(window.parent, nullptr);
    EXPECT_EQ(window.menu, nullptr);
    EXPECT_EQ(window.instance, GetModuleHandleW(nullptr));

    // As it stood: the outer rectangle is exactly the size given (no frame adjustment). The
    // platform adds WS_CLIPSIBLINGS to every top-level window's stored style.
    ASSERT_TRUE(spy.closing.taken);
    const RECT& outer = spy.closing.windowRect;
    EXPECT_EQ(outer.left, x);
    EXPECT_EQ(outer.top, y);
    EXPECT_EQ(outer.right - outer.left, width);
    EXPECT_EQ(outer.bottom - outer.top, height);
    EXPECT_EQ(static_cast<DWORD>(spy.closing.style) & ~DWORD{WS_CLIPSIBLINGS}, 0x10CA0000u);

    const testing::CreatedWindow bar = spy.createdOf(L"msctls_progress32")[0];
    const RECT& client = spy.closing.clientRect;
    int margin = scaleForDisplay(10);
    EXPECT_EQ(bar.className, L"msctls_progress32");
    EXPECT_EQ(bar.title, L"");
    EXPECT_EQ(bar.style, 0x50000000u);
    EXPECT_EQ(bar.exStyle, 0u);
    EXPECT_EQ(bar.parent, window.window);
    EXPECT_EQ(bar.menu, nullptr);  // control identifier 0
    EXPECT_EQ(bar.x, client.left + margin);
    EXPECT_EQ(bar.y, client.top + margin);
    EXPECT_EQ(bar.width, client.right - client.left - scaleForDisplay(20));
    EXPECT_EQ(bar.height, client.bottom - client.top - scaleForDisplay(20));
    EXPECT_EQ(spy.closing.barRect.left, bar.x);
    EXPECT_EQ(spy.closing.barRect.top, bar.y);

    WNDCLASSEXW registered{};
    registered.cbSize = sizeof registered;
    ASSERT_TRUE(GetClassInfoExW(GetModuleHandleW(nullptr), L"WebView2Setup", &registered));
    EXPECT_EQ(registered.style, static_cast<UINT>(CS_HREDRAW | CS_VREDRAW));
    EXPECT_EQ(registered.cbClsExtra, 0);
    EXPECT_EQ(registered.cbWndExtra, 0);
    EXPECT_EQ(registered.hIcon, config.windowIcon);
    EXPECT_EQ(registered.hCursor, LoadCursorW(nullptr, IDC_ARROW));
    EXPECT_EQ(reinterpret_cast<INT_PTR>(registered.hbrBackground), 5);  // COLOR_MENU + 1
    EXPECT_EQ(registered.lpszMenuName, nullptr);
    EXPECT_TRUE(boxes.boxes().empty());
}

TEST_F(InstallFlow, DownloadWithoutLengthLeavesTheBarAtZero) {
    ScriptedResponse response = setupDownload();
    response.sendContentLength = false;
    LoopbackHttpServer server(response);
    SetupWindowSpy spy;
    install(server.url(L"/setup"));

    for (int position : spy.positions)
        EXPECT_EQ(position, 0);
    ASSERT_TRUE(spy.closing.taken);
    EXPECT_EQ(spy.closing.barPosition, 0);
    // The download itself is complete, so the installer runs.
    EXPECT_TRUE(readFile(target) == setupProgram);
    expectOneRun();
}

// A download that fails must never run what is at the target path, even a program planted
// there before (which is deleted, not run).
TEST_F(InstallFlow, FailedDownloadsRunNothingAndDropAStaleInstaller) {
    struct Case {
        const char* name;
        const char* statusLine;  // null: nothing listens on the port
    } cases[] = {
        {"404", "HTTP/1.1 404 Not Found"},
        {"500", "HTTP/1.1 500 Internal Server Error"},
        {"refused", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        writeFile(target, setupProgram);
        DeleteFileW(record.c_str());
        SetupWindowSpy spy;
        if (c.statusLine != nullptr) {
            ScriptedResponse failure;
            failure.statusLine = c.statusLine;
            failure.contentType = "text/html";
            failure.body = "<html>failure</html>";
            LoopbackHttpServer server(failure);
            install(server.url(L"/setup"));
            EXPECT_EQ(server.requestLines().size(), 1u);
        } else {
            install(L"http://127.0.0.1:" + std::to_wstring(closedLoopbackPort()) + L"/setup");
        }
        EXPECT_TRUE(runs().empty());
        // For an HTTP error Wine reports success and writes the error page to the file (the status
        // seen in OnResponse is what stops the run); a refused connection writes nothing. Either
        // way the planted program is gone.
        EXPECT_FALSE(fileExists(target) && readFile(target) == setupProgram);
        EXPECT_TRUE(spy.closing.taken);  // the window was still closed by the worker
        ASSERT_NE(setupWindow(spy), nullptr);
        EXPECT_FALSE(IsWindow(setupWindow(spy)));
        EXPECT_FALSE(quitMessagePending());
    }
    EXPECT_TRUE(boxes.boxes().empty());
}

// The shipped link, under the test prefix's network guard: all web traffic goes to a closed
// loopback port, which is what "no network" looks like to the flow.
TEST_F(InstallFlow, ShippedLinkWithoutNetworkRunsNothing) {
    const wchar_t* settings = L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";
    DWORD enabled = 0;
    DWORD size = sizeof enabled;
    wchar_t proxy[64] = {};
    DWORD proxySize = sizeof proxy;
    ASSERT_EQ(RegGetValueW(HKEY_CURRENT_USER, settings, L"ProxyEnable", RRF_RT_REG_DWORD, nullptr,
                           &enabled, &size),
              ERROR_SUCCESS);
    ASSERT_EQ(RegGetValueW(HKEY_CURRENT_USER, settings, L"ProxyServer", RRF_RT_REG_SZ, nullptr,
                           proxy, &proxySize),
              ERROR_SUCCESS);
    ASSERT_EQ(enabled, 1u) << "network guard missing: not downloading from the real link";
    ASSERT_EQ(std::wstring(proxy), L"127.0.0.1:9") << "network guard missing";

    writeFile(target, setupProgram);
    SetupWindowSpy spy;
    installRuntime(GetModuleHandleW(nullptr), userData, config);

    EXPECT_TRUE(runs().empty());
    EXPECT_FALSE(fileExists(target));
    EXPECT_TRUE(spy.closing.taken);
    EXPECT_TRUE(spy.positions.empty());
    EXPECT_FALSE(quitMessagePending());
    EXPECT_TRUE(boxes.boxes().empty());
}

TEST_F(InstallFlow, ExistingUserDataFolderIsUsedAsItIs) {
    writeFile(userData + L"\\keep.txt", "kept");
    LoopbackHttpServer server(setupDownload());
    install(server.url(L"/setup"));

    expectOneRun();
    EXPECT_EQ(readFile(userData + L"\\keep.txt"), "kept");
    EXPECT_TRUE(boxes.boxes().empty());
}

TEST_F(InstallFlow, MissingParentFolderIsReportedAndNothingElseHappens) {
    userData = temp / L"missing\\User Data";
    LoopbackHttpServer server(setupDownload());
    SetupWindowSpy spy;
    install(server.url(L"/setup"));

    std::vector<testing::MessageBoxSeen> shown = boxes.boxes();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].caption, config.windowTitle);
    EXPECT_EQ(shown[0].text, L"Failed to create user data directory");
    EXPECT_EQ(shown[0].icon, testing::MessageBoxIcon::Error);
    EXPECT_EQ(shown[0].owner, nullptr);
    EXPECT_FALSE(fileExists(temp / L"missing"));  // intermediate folders are not created
    EXPECT_EQ(setupWindow(spy), nullptr);
    EXPECT_TRUE(spy.createdOf(L"msctls_progress32").empty());
    EXPECT_TRUE(server.requestLines().empty());
    EXPECT_FALSE(quitMessagePending());
}

TEST_F(InstallFlow, ClosingTheWindowByHandNeitherStopsNorBlocksTheDownload) {
    ScriptedResponse slow;
    slow.body = setupProgram;
    slow.chunkSize = setupProgram.size() / 10 + 1;
    slow.chunkPauseMs = 150;
    LoopbackHttpServer server(slow);
    SetupWindowSpy spy;
    // The user's close button: WM_SYSCOMMAND SC_CLOSE, which DefWindowProcW turns into WM_CLOSE.
    spy.onFirstPosition = [](HWND window) { PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0); };
    install(server.url(L"/setup"));

    ASSERT_NE(spy.destroyedAt, 0u);
    ASSERT_NE(server.lastBodySentAt(), 0u);
    EXPECT_LT(spy.destroyedAt, server.lastBodySentAt()) << "window outlived the download";
    EXPECT_TRUE(readFile(target) == setupProgram);
    expectOneRun();
    EXPECT_FALSE(quitMessagePending());
    EXPECT_TRUE(boxes.boxes().empty());
}

TEST_F(InstallFlow, SecondCallInOneProcessReusesTheRegisteredClass) {
    ScriptedResponse missing;
    missing.statusLine = "HTTP/1.1 404 Not Found";
    {
        LoopbackHttpServer server(missing);
        install(server.url(L"/first"));
    }
    EXPECT_TRUE(runs().empty());
    {
        LoopbackHttpServer server(setupDownload());
        SetupWindowSpy spy;
        install(server.url(L"/second"));
        EXPECT_EQ(spy.createdOf(L"WebView2Setup").size(), 1u);
    }
    expectOneRun();
    EXPECT_TRUE(boxes.boxes().empty());  // no "Failed to register window class"
}

}  // namespace
}  // namespace quorvane
