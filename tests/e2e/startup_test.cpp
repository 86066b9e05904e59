#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "tests/e2e/e2e_support.h"
#include "tests/support/files.h"
#include "tests/support/run_log_lines.h"
#include "tests/support/temp_dir.h"

namespace quorvane::testing {
namespace {

const char kLoadFailed[] =
    "Failed to load package.json. Check the file is in the same folder as the app.";
const char kParseFailed[] =
    "Failed to parse package.json. Check the file has valid JSON and that all parameters are "
    "correct.";
const char kFixedMissing[] =
    "This app is set to \"fixed\" distribution mode, but the WebView2 control failed to "
    "initialize. Check there is a valid fixed distribution of Microsoft Edge WebView2 runtime in "
    "the \"webview2\" subfolder.";
const char kInstallMessage[] =
    "This app requires the Microsoft Edge WebView2 runtime. It will be downloaded and installed "
    "for you now.";
const char kInstallFailed[] =
    "Failed to install the Microsoft Edge WebView2 runtime. Check that you have permission to "
    "install it, and that your Internet connection is working. Run the app again to try again.";
const char kBrowserStartFailed[] = "Failed to start the Microsoft Edge WebView2 runtime.";
const char kBrowserTooOld[] =
    "This app needs a newer version of the Microsoft Edge WebView2 runtime.";

struct Box {
    std::string caption;
    std::string text;
    MessageBoxIcon icon;
};

void expectBoxes(const RunResult& run, const std::vector<Box>& expected) {
    ASSERT_EQ(run.messageBoxes.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(narrow(run.messageBoxes[i].caption), expected[i].caption) << "box " << i;
        EXPECT_EQ(boxText(run.messageBoxes[i]), expected[i].text) << "box " << i;
        EXPECT_EQ(iconName(run.messageBoxes[i].icon), std::string(iconName(expected[i].icon)))
            << "box " << i;
    }
}

// Manifests that never get past the loader: one box, exit code 1, the runtime never asked.
TEST(StartupFailure, BrokenManifestsAreReportedBeforeAnythingElse) {
    struct Case {
        const char* title;
        const char* manifest;  // null: no package.json at all
        const char* text;
    } cases[] = {
        {"missing", nullptr, kLoadFailed},
        {"zero bytes", "", kLoadFailed},
        {"syntax error", "{\"name\": ", kParseFailed},
        {"missing name", "{\"main\": \"index.html\"}", kParseFailed},
        {"invalid distribution mode",
         "{\"name\": \"x\", \"settings\": {\"distribution-mode\": \"Fixed\"}}", kParseFailed},
        {"root is an array", "[{\"name\": \"x\"}]", kParseFailed},
        {"UTF-16 text", "\xFF\xFE{\0\"\0n\0\"\0}\0", kParseFailed},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title);
        AppFolder folder;
        folder.installExecutable();
        folder.placeLoaderBesideExe();
        if (c.manifest != nullptr) {
            folder.writePackageJson(
                std::string(c.manifest, c.title == std::string("UTF-16 text")
                                            ? 12
                                            : std::char_traits<char>::length(c.manifest)));
        }
        RunResult run = runApp(folder);
        EXPECT_FALSE(run.timedOut);
        EXPECT_EQ(run.exitCode, 1u);
        expectBoxes(run, {{"Windows Quorvane", c.text, MessageBoxIcon::Error}});
        EXPECT_TRUE(run.transcript.empty());
    }
}

TEST(StartupFailure, FixedModeWithoutARuntimeGivesTheFixedText) {
    // Nothing beside the executable and no "webview2" folder: the built-in loader finds nothing.
    ShellApp app(R"({"name":"fixed-none","window":{"title":"Fixed Game"},
                    "settings":{"distribution-mode":"fixed"}})",
                 /*loaderBesideExe=*/false);
    RunResult run = runShell(app);
    EXPECT_EQ(run.exitCode, 1u);
    expectBoxes(run, {{"Fixed Game", kFixedMissing, MessageBoxIcon::Error}});
}

TEST(StartupFailure, FixedModeAsksTheLoaderForTheRelativeFolderOnly) {
    ShellApp app(R"({"name":"fixed-relative","settings":{"distribution-mode":"fixed"}})");
    RunResult run = runShell(app, "[]", R"("runtime":{"present":false})");
    EXPECT_EQ(run.exitCode, 1u);
    expectBoxes(run, {{"Windows Quorvane", kFixedMissing, MessageBoxIcon::Error}});
    // No installer is offered in fixed mode: one question, then the box.
    ASSERT_EQ(run.transcript.size(), 1u);
    EXPECT_EQ(run.transcript[0],
              "GetAvailableCoreWebView2BrowserVersionString browserFolder=webview2 -> (none)");
    EXPECT_EQ(runLogIn(userDataFolderFor(L"fixed-relative")),
              (std::vector<std::string>{startLogLine(app.folder, "fixed-relative", "fixed"),
                                        "runtime not found", "exit code=1"}));
}

TEST(StartupFailure, EvergreenWithoutRuntimeOffersTheInstallerThenFails) {
    // The stand-in reports no runtime; the installer then tries the real link, which the test
    // prefix's network guard sends to a closed loopback port, so the download fails.
    ShellApp app(R"({"name":"evergreen-none","window":{"title":"Sky Puzzle"}})");
    RunResult run = runShell(app, "[]", R"("runtime":{"present":false})");
    EXPECT_FALSE(run.timedOut);
    EXPECT_EQ(run.exitCode, 1u);
    expectBoxes(run, {{"Sky Puzzle", kInstallMessage, MessageBoxIcon::Information},
                      {"Sky Puzzle", kInstallFailed, MessageBoxIcon::Error}});
    EXPECT_EQ(run.transcript,
              (std::vector<std::string>{
                  "GetAvailableCoreWebView2BrowserVersionString browserFolder=(null) -> (none)",
                  "GetAvailableCoreWebView2BrowserVersionString browserFolder=(null) -> (none)"}));
    // What a player can send the maker: every step of the way, in the user data folder.
    const std::wstring userData = userDataFolderFor(L"evergreen-none");
    EXPECT_EQ(runLogIn(userData),
              (std::vector<std::string>{
                  startLogLine(app.folder, "evergreen-none", "evergreen"),
                  "runtime not found",
                  "installer downloading https://go.microsoft.com/fwlink/p/?LinkId=2124703 to " +
                      narrow(userData) + "\\Webview2Setup.exe",
                  "installer download failed", "runtime not found", "exit code=1"}));
}

// Without the common controls (no comctl32 for this program) the installer cannot show its
// progress bar: it says so and stops, before it creates the user data folder or downloads.
TEST(StartupFailure, InstallerWithoutCommonControlsSaysSoAndDownloadsNothing) {
    ShellApp app(R"({"name":"no-common-controls","window":{"title":"Sky Puzzle"}})");
    const std::wstring program = app.folder.root() + L"\\NoCommonControls.exe";
    ASSERT_TRUE(CopyFileW(shellExecutablePath().c_str(), program.c_str(), FALSE));
    app.folder.installExecutable(program);
    const std::wstring userData = userDataFolderFor(L"no-common-controls");
    removeTree(userData);

    RunResult run;
    {
        ScopedDllOverride missing(L"NoCommonControls.exe", L"comctl32", L"");
        run = runShell(app, "[]", R"("runtime":{"present":false})");
    }
    EXPECT_FALSE(run.timedOut);
    EXPECT_EQ(run.exitCode, 1u);
    expectBoxes(run, {{"Sky Puzzle", kInstallMessage, MessageBoxIcon::Information},
                      {"Sky Puzzle", "Failed to initialize common controls", MessageBoxIcon::Error},
                      {"Sky Puzzle", kInstallFailed, MessageBoxIcon::Error}});
    // The folder holds the run's log, and the log shows the installer stopped at once.
    EXPECT_FALSE(fileExists(userData + L"\\Webview2Setup.exe"));
    const std::vector<std::string> log = runLogIn(userData);
    ASSERT_EQ(log.size(), 5u);
    EXPECT_EQ(std::vector<std::string>(log.begin() + 1, log.end()),
              (std::vector<std::string>{"runtime not found",
                                        "installer failed: Failed to initialize common controls",
                                        "runtime not found", "exit code=1"}));
}

TEST(Startup, ARuntimeThatTheInstallerBroughtIsUsed) {
    // The runtime appears between the two questions, as after a successful installation.
    ShellApp app(R"({"name":"installed-now","window":{"title":"Sky Puzzle"}})");
    RunResult run =
        runShell(app, R"([{"do":"close"}])", R"("runtime":{"present":false,"appearsAtQuery":2})");
    EXPECT_EQ(run.exitCode, 0u);
    expectBoxes(run, {{"Sky Puzzle", kInstallMessage, MessageBoxIcon::Information}});
    ASSERT_GE(run.transcript.size(), 3u);
    EXPECT_EQ(run.transcript[0],
              "GetAvailableCoreWebView2BrowserVersionString browserFolder=(null) -> (none)");
    EXPECT_EQ(run.transcript[1],
              "GetAvailableCoreWebView2BrowserVersionString browserFolder=(null) -> 120.0.2210.91");
    EXPECT_TRUE(run.hasLine("Navigate https://quorvane.localhost/index.html"));
}

TEST(StartupFailure, CustomInstallTextsAppearAsWritten) {
    ShellApp app(
        "{\"name\":\"custom-texts\",\"window\":{\"title\":\"Caf\xC3\xA9 \xE6\x97\xA5\"},"
        "\"messages\":{\"install-webview2\":\"Need the runtime \xE2\x80\x94 OK?\","
        "\"install-webview2-failed\":\"Still missing.\\nTry again.\"}}");
    RunResult run = runShell(app, "[]", R"("runtime":{"present":false})");
    EXPECT_EQ(run.exitCode, 1u);
    expectBoxes(
        run, {{"Caf\xC3\xA9 \xE6\x97\xA5", "Need the runtime \xE2\x80\x94 OK?",
               MessageBoxIcon::Information},
              {"Caf\xC3\xA9 \xE6\x97\xA5", "Still missing.\nTry again.", MessageBoxIcon::Error}});
}

TEST(StartupFailure, BrowserCreationFailuresEndTheRunWithABox) {
    struct Case {
        const char* title;
        const char* members;
        const char* text;
        const char* logged;  // the log's line before the exit code
    } cases[] = {
        {"creation call fails", R"("environment":{"returns":"0x80004005"})", kBrowserStartFailed,
         "environment creation call failed hr=0x80004005"},
        {"environment completes with an error", R"("environment":{"completes":"0x80070005"})",
         kBrowserStartFailed, "environment hr=0x80070005 (no environment)"},
        {"environment completes without an object", R"("environment":{"nullObject":true})",
         kBrowserStartFailed, "environment hr=0x00000000 (no environment)"},
        {"controller call fails", R"("controller":{"returns":"0x80004005"})", kBrowserStartFailed,
         "controller creation call failed hr=0x80004005"},
        {"controller completes with an error", R"("controller":{"completes":"0x8007000E"})",
         kBrowserStartFailed, "controller hr=0x8007000E (no controller)"},
        {"controller completes without an object", R"("controller":{"nullObject":true})",
         kBrowserStartFailed, "controller hr=0x00000000 (no controller)"},
        {"view too old", R"("webView2":false)", kBrowserTooOld,
         "the view offers no ICoreWebView2_2: the runtime is too old"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title);
        ShellApp app(R"({"name":"browser-fails","window":{"title":"Game"}})");
        RunResult run = runShell(app, "[]", c.members);
        EXPECT_FALSE(run.timedOut);
        EXPECT_EQ(run.exitCode, 1u);
        expectBoxes(run, {{"Game", c.text, MessageBoxIcon::Error}});
        EXPECT_TRUE(run.linesStartingWith("Navigate").empty());
        EXPECT_TRUE(run.linesStartingWith("controller IsVisible").empty());
        const std::vector<std::string> log = runLogIn(userDataFolderFor(L"browser-fails"));
        ASSERT_GE(log.size(), 2u);
        EXPECT_EQ(log[log.size() - 2], c.logged);
        EXPECT_EQ(log.back(), "exit code=1");
    }
}

TEST(Startup, HandsTheRuntimeTheFoldersAndOptions) {
    ShellApp app(R"({"name":"Options Test","chromium-args":"--mute-audio  --disable-gpu"})");
    RunResult run = runShell(app, R"([{"do":"close"}])");
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_TRUE(run.messageBoxes.empty());
    std::vector<std::string> head(
        run.transcript.begin(),
        run.transcript.begin() + std::min<size_t>(8, run.transcript.size()));
    ASSERT_EQ(head.size(), 8u);
    EXPECT_EQ(head[0],
              "GetAvailableCoreWebView2BrowserVersionString browserFolder=(null) -> 120.0.2210.91");
    EXPECT_TRUE(
        head[1].starts_with("CreateCoreWebView2EnvironmentWithOptions browserFolder=(null) "
                            "userDataFolder="))
        << head[1];
    // The user data folder is the local application data folder followed by the app's name.
    EXPECT_TRUE(head[1].ends_with("\\AppData\\Local\\Options Test")) << head[1];
    EXPECT_EQ(head[2], "options AdditionalBrowserArguments=--mute-audio  --disable-gpu");
    EXPECT_EQ(head[3], "options Language=");
    EXPECT_EQ(head[4], "options TargetCompatibleBrowserVersion=89.0.774.44");
    EXPECT_EQ(head[5], "options AllowSingleSignOnUsingOSPrimaryAccount=0");
    EXPECT_EQ(head[6], "options ICoreWebView2EnvironmentOptions2 refused 0x80004002 out=null");
    EXPECT_EQ(head[7], "EnvironmentCompleted hr=0x00000000 environment=yes");
}

TEST(Startup, EmptyBrowserArgumentsAreStillSet) {
    ShellApp app(R"({"name":"no-args"})");
    RunResult run = runShell(app, R"([{"do":"close"}])");
    EXPECT_TRUE(run.hasLine("options AdditionalBrowserArguments="));
    EXPECT_EQ(run.exitCode, 0u);
}

TEST(Startup, FixedModeHandsTheRelativeFolderToTheRuntime) {
    ShellApp app(R"({"name":"fixed-ok","settings":{"distribution-mode":"fixed"}})");
    RunResult run = runShell(app, R"([{"do":"close"}])");
    EXPECT_EQ(run.exitCode, 0u);
    ASSERT_GE(run.transcript.size(), 2u);
    EXPECT_EQ(run.transcript[0],
              "GetAvailableCoreWebView2BrowserVersionString browserFolder=webview2 -> "
              "120.0.2210.91");
    EXPECT_TRUE(run.transcript[1].starts_with(
        "CreateCoreWebView2EnvironmentWithOptions browserFolder=webview2 userDataFolder="));
}

TEST(Startup, AFixedRuntimeFolderBesideTheExecutableIsUsedByTheBuiltInLoader) {
    ShellApp app(R"({"name":"fixed-builtin","settings":{"distribution-mode":"fixed"}})",
                 /*loaderBesideExe=*/false);
    app.folder.placeFixedRuntime();
    RunResult run = runShell(app, R"([{"do":"close"}])");
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_TRUE(run.messageBoxes.empty());
    ASSERT_FALSE(run.transcript.empty());
    EXPECT_TRUE(run.transcript[0].starts_with(
        "CreateWebViewEnvironmentWithOptionsInternal checkRunningInstance=1 runtimeType=1 "
        "userDataFolder="))
        << run.transcript[0];
    EXPECT_TRUE(run.hasLine("Navigate https://quorvane.localhost/index.html"));
}

TEST(Startup, AnIconThatIsNotAnImageFallsBackAndStartUpGoesOn) {
    ShellApp app(R"({"name":"bad-icon","window":{"icon":"www/index.html"}})");
    RunResult run = runShell(app, R"([{"do":"close"}])");
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_TRUE(run.messageBoxes.empty());
    EXPECT_TRUE(run.hasLine("Navigate https://quorvane.localhost/index.html"));
}

TEST(Startup, TheHiddenWindowHasTheManifestsStyleAndScaledClientSize) {
    // Wine's display is 96 dpi, so the client area is the manifest's size exactly, resizable or
    // not. The page never parses here, so the window must stay hidden throughout.
    struct Case {
        const char* resizable;
        LONG mustHave;
        LONG mustLack;
    } cases[] = {
        {"true", WS_OVERLAPPEDWINDOW, WS_VISIBLE},
        {"false", WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX,
         WS_THICKFRAME | WS_MAXIMIZEBOX | WS_VISIBLE},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.resizable);
        ShellApp app(std::string(R"({"name":"size","window":{"title":"Sized","width":640,)"
                                 R"("height":360,"resizable":)") +
                     c.resizable + "}}");
        MainWindowWatch watch;
        RunResult run = runShell(app, R"([{"do":"wait","ms":400},{"do":"close"}])",
                                 R"("pagesParse":false)", &watch);
        EXPECT_EQ(run.exitCode, 0u);
        auto bounds = run.linesStartingWith("controller Bounds=");
        ASSERT_FALSE(bounds.empty());
        EXPECT_EQ(bounds.front(), "controller Bounds=0,0,640,360");
        ASSERT_FALSE(watch.states().empty());
        for (const MainWindowState& state : watch.states()) {
            EXPECT_FALSE(state.visible);
            EXPECT_EQ(state.style & c.mustHave, c.mustHave);
            EXPECT_EQ(state.style & c.mustLack, 0);
            EXPECT_EQ(state.exStyle & (WS_EX_TOPMOST | WS_EX_TOOLWINDOW), 0);
            EXPECT_EQ(state.clientRect.right, 640);
            EXPECT_EQ(state.clientRect.bottom, 360);
            EXPECT_EQ(state.title, L"Sized");
        }
    }
}

TEST(Startup, ClosingTheWindowEndsTheRunWithCodeZero) {
    ShellApp app(R"({"name":"close"})");
    RunResult run = runShell(app, R"([{"do":"close"}])");
    EXPECT_FALSE(run.timedOut);
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_TRUE(run.hasLine("WindowCloseRequested"));
}

}  // namespace
}  // namespace quorvane::testing
