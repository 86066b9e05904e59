#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "messaging/page_api_script.h"
#include "tests/e2e/e2e_support.h"
#include "tests/support/files.h"

namespace quorvane::testing {
namespace {

const std::string kEnter = R"({"type":"set-fullscreen","fullscreen":true})";
const std::string kLeave = R"({"type":"set-fullscreen","fullscreen":false})";
const std::string kWait = R"({"do":"wait","ms":400})";
const std::string kClose = R"({"do":"close"})";

TEST(BrowserSetup, AppliesSettingsRegistersHandlersInOrderThenNavigates) {
    ShellApp app(R"({"name":"setup","window":{"width":800,"height":500}})");
    RunResult run = runShell(app, R"([{"do":"close"}])");
    EXPECT_EQ(run.exitCode, 0u);
    std::vector<std::string> expected = {
        "EnvironmentCompleted hr=0x00000000 environment=yes",
        "CreateCoreWebView2Controller parent=WindowsQuorvane",
        "ControllerCompleted hr=0x00000000 controller=yes",
        "settings IsScriptEnabled=1",
        "settings AreHostObjectsAllowed=0",
        "settings AreDefaultScriptDialogsEnabled=1",
        "settings IsWebMessageEnabled=1",
        "settings IsZoomControlEnabled=0",
        "settings AreDefaultContextMenusEnabled=1",
        "settings AreDevToolsEnabled=1",
        "controller Bounds=0,0,800,500",
        "add DocumentTitleChanged token=null",
        "filter add https://quorvane.localhost/* context=0",
        "add WebResourceRequested token=null",
        "add NavigationStarting token=null",
        "add PermissionRequested token=null",
        "add ContainsFullScreenElementChanged token=null",
        "add WindowCloseRequested token=null",
        "add NewWindowRequested token=null",
        "add WebMessageReceived token=null",
        "add DOMContentLoaded token=null",
        "add ProcessFailed token=null",
        "AddScriptToExecuteOnDocumentCreated length=" + std::to_string(pageApiScript().size()),
        "Navigate https://quorvane.localhost/index.html",
    };
    EXPECT_EQ(linesBetween(run, "EnvironmentCompleted", "Navigate"), expected);
}

TEST(BrowserSetup, DevtoolsFollowTheManifest) {
    ShellApp app(R"({"name":"devtools","settings":{"enable-devtools":false}})");
    RunResult run = runShell(app, R"([{"do":"close"}])");
    EXPECT_TRUE(run.hasLine("settings AreDevToolsEnabled=0"));
    EXPECT_TRUE(run.hasLine("settings IsScriptEnabled=1"));
    EXPECT_TRUE(run.hasLine("settings IsZoomControlEnabled=0"));
}

// The settings a game gives its players, after the shell's seven (a manifest without them makes
// none of these calls: see the test above). An older runtime without ICoreWebView2Settings3 to 6
// gets only the status bar, which every runtime has, and still starts and serves.
TEST(BrowserSetup, PlayerSettingsFollowTheShellsOwnAndSkipWhatTheRuntimeLacks) {
    auto all = [](bool on) {
        const std::string v = on ? "true" : "false";
        return R"({"browser-keys":)" + v + R"(,"context-menu":)" + v + R"(,"status-bar":)" + v +
               R"(,"pinch-zoom":)" + v + R"(,"swipe-navigation":)" + v + R"(,"autofill":)" + v +
               R"(,"cross-origin-isolation":)" + v + R"(,"enable-devtools":)" + v + "}";
    };
    const std::string plain =
        "response 200 OK headers=Cache-Control: no-store\\nContent-Type: text/html; "
        "charset=utf-8\\nAccept-Ranges: bytes\\nContent-Length: 31";
    const std::string isolated = plain +
                                 "\\nCross-Origin-Opener-Policy: same-origin"
                                 "\\nCross-Origin-Embedder-Policy: require-corp"
                                 "\\nCross-Origin-Resource-Policy: same-origin";
    struct Case {
        const char* title;
        std::string settings;
        std::string scenario;
        std::vector<std::string> calls;  // after the first five of the shell's own
        std::string response;            // of the main page, up to its body
    };
    const Case cases[] = {
        {"all false",
         all(false),
         "",
         {"settings AreDefaultContextMenusEnabled=0", "settings AreDevToolsEnabled=0",
          "settings AreBrowserAcceleratorKeysEnabled=0", "settings IsStatusBarEnabled=0",
          "settings IsPinchZoomEnabled=0", "settings IsSwipeNavigationEnabled=0",
          "settings IsGeneralAutofillEnabled=0", "settings IsPasswordAutosaveEnabled=0"},
         plain},
        {"all true",
         all(true),
         "",
         {"settings AreDefaultContextMenusEnabled=1", "settings AreDevToolsEnabled=1",
          "settings AreBrowserAcceleratorKeysEnabled=1", "settings IsStatusBarEnabled=1",
          "settings IsPinchZoomEnabled=1", "settings IsSwipeNavigationEnabled=1",
          "settings IsGeneralAutofillEnabled=1", "settings IsPasswordAutosaveEnabled=1"},
         isolated},
        // Each setting has its own pattern of values across the next three runs (browser-keys
        // off in all, enable-devtools on in all), so a setting that follows another's value
        // shows in at least one of them.
        {"context-menu, pinch-zoom, autofill and enable-devtools",
         R"({"browser-keys":false,"context-menu":true,"status-bar":false,"pinch-zoom":true,)"
         R"("swipe-navigation":false,"autofill":true,"cross-origin-isolation":false,)"
         R"("enable-devtools":true})",
         "",
         {"settings AreDefaultContextMenusEnabled=1", "settings AreDevToolsEnabled=1",
          "settings AreBrowserAcceleratorKeysEnabled=0", "settings IsStatusBarEnabled=0",
          "settings IsPinchZoomEnabled=1", "settings IsSwipeNavigationEnabled=0",
          "settings IsGeneralAutofillEnabled=1", "settings IsPasswordAutosaveEnabled=1"},
         plain},
        {"status-bar, pinch-zoom, cross-origin-isolation and enable-devtools",
         R"({"browser-keys":false,"context-menu":false,"status-bar":true,"pinch-zoom":true,)"
         R"("swipe-navigation":false,"autofill":false,"cross-origin-isolation":true,)"
         R"("enable-devtools":true})",
         "",
         {"settings AreDefaultContextMenusEnabled=0", "settings AreDevToolsEnabled=1",
          "settings AreBrowserAcceleratorKeysEnabled=0", "settings IsStatusBarEnabled=1",
          "settings IsPinchZoomEnabled=1", "settings IsSwipeNavigationEnabled=0",
          "settings IsGeneralAutofillEnabled=0", "settings IsPasswordAutosaveEnabled=0"},
         isolated},
        {"swipe-navigation, autofill, cross-origin-isolation and enable-devtools",
         R"({"browser-keys":false,"context-menu":false,"status-bar":false,"pinch-zoom":false,)"
         R"("swipe-navigation":true,"autofill":true,"cross-origin-isolation":true,)"
         R"("enable-devtools":true})",
         "",
         {"settings AreDefaultContextMenusEnabled=0", "settings AreDevToolsEnabled=1",
          "settings AreBrowserAcceleratorKeysEnabled=0", "settings IsStatusBarEnabled=0",
          "settings IsPinchZoomEnabled=0", "settings IsSwipeNavigationEnabled=1",
          "settings IsGeneralAutofillEnabled=1", "settings IsPasswordAutosaveEnabled=1"},
         isolated},
        {"all false, a runtime with ICoreWebView2Settings2 at most",
         all(false),
         R"("newestSettings":2)",
         {"settings AreDefaultContextMenusEnabled=0", "settings AreDevToolsEnabled=0",
          "settings IsStatusBarEnabled=0"},
         plain},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title);
        ShellApp app(R"({"name":"player","settings":)" + c.settings + "}");
        RunResult run = runShell(app, R"([{"do":"close"}])", c.scenario);
        EXPECT_EQ(run.exitCode, 0u);
        std::vector<std::string> expected = {
            "settings IsScriptEnabled=1", "settings AreHostObjectsAllowed=0",
            "settings AreDefaultScriptDialogsEnabled=1", "settings IsWebMessageEnabled=1",
            "settings IsZoomControlEnabled=0"};
        expected.insert(expected.end(), c.calls.begin(), c.calls.end());
        EXPECT_EQ(run.linesStartingWith("settings "), expected);
        // The settings come before the view is sized, and the main page is served.
        EXPECT_EQ(linesBetween(run, c.calls.back(), "controller Bounds").size(), 2u);
        std::vector<std::string> responses = run.linesStartingWith("response ");
        ASSERT_FALSE(responses.empty());
        EXPECT_EQ(responses.front(), c.response + " body[31]=<!DOCTYPE html><title>t</title>");
        EXPECT_TRUE(run.hasLine("DOMContentLoaded navigationId=1"));
    }
}

TEST(BrowserSetup, TheFirstNavigationIsTheOriginFollowedByTheMainPageAsWritten) {
    struct Case {
        const char* main;
        const char* navigate;
    } cases[] = {
        {"levels/one/start.html", "Navigate https://quorvane.localhost/levels/one/start.html"},
        {"game.html?mode=demo", "Navigate https://quorvane.localhost/game.html?mode=demo"},
        {"caf\xC3\xA9.html", "Navigate https://quorvane.localhost/caf\xC3\xA9.html"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.main);
        ShellApp app(std::string(R"({"name":"main","main":")") + c.main + "\"}");
        RunResult run = runShell(app, R"([{"do":"close"}])");
        EXPECT_EQ(run.linesStartingWith("Navigate "), std::vector<std::string>{c.navigate});
    }
}

TEST(BrowserSetup, TheWindowStaysHiddenUntilTheFirstDocumentIsParsed) {
    // The page takes its time to parse: the window stays hidden meanwhile, then appears.
    ShellApp app(R"({"name":"shown","window":{"title":"Shown"}})");
    MainWindowWatch watch;
    RunResult run = runShell(
        app,
        R"([{"do":"wait","ms":500},{"do":"domContentLoaded"},{"do":"wait","ms":300},{"do":"close"}])",
        R"("pagesParse":false)", &watch);
    EXPECT_EQ(run.exitCode, 0u);
    ASSERT_FALSE(watch.states().empty());
    EXPECT_FALSE(watch.states().front().visible);
    EXPECT_TRUE(watch.everVisible());
    // Shown, then the view made visible and focused, in that order after the document parsed.
    EXPECT_EQ(linesBetween(run, "DOMContentLoaded", "controller MoveFocus"),
              (std::vector<std::string>{"DOMContentLoaded navigationId=1",
                                        "controller Bounds=0,0,1024,768",
                                        "controller NotifyParentWindowPositionChanged",
                                        "controller IsVisible=1", "controller MoveFocus=0"}));
}

TEST(BrowserSetup, APageThatNeverParsesLeavesTheWindowHidden) {
    ShellApp app(R"({"name":"hidden"})");
    MainWindowWatch watch;
    RunResult run = runShell(app, R"([{"do":"wait","ms":400},{"do":"close"}])",
                             R"("pagesParse":false)", &watch);
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_FALSE(watch.everVisible());
    EXPECT_TRUE(run.linesStartingWith("controller IsVisible").empty());
}

TEST(BrowserEvents, NavigationStaysInsideTheAppOrigin) {
    struct Case {
        const char* uri;
        bool allowed;
    } cases[] = {
        {"https://quorvane.localhost/", true},
        {"https://quorvane.localhost/level2.html", true},
        {"https://quorvane.localhost/a/b/c.html?x=1#top", true},
        {"https://example.com/", false},
        {"http://quorvane.localhost/", false},
        {"about:blank", false},
        {"data:text/html,hello", false},
        {"file:///C:/windows/win.ini", false},
        {"HTTPS://QUORVANE.LOCALHOST/", false},
        {"https://Quorvane.localhost/index.html", false},
        {"https://quorvane.localhost", false},
        {"https://quorvane.localhost.example.com/", false},
        {"javascript:alert(1)", false},
    };
    std::string steps = "[";
    for (const Case& c : cases) {
        steps += std::string(R"({"do":"navigate","uri":")") + c.uri + R"(","parses":false},)";
    }
    steps += R"({"do":"close"}])";
    ShellApp app(R"({"name":"navigation"})");
    RunResult run = runShell(app, steps);
    EXPECT_EQ(run.exitCode, 0u);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.uri);
        std::vector<std::string> lines = linesBetween(
            run, std::string("NavigationStarting ") + c.uri + " userInitiated=1", "navigation ");
        ASSERT_EQ(lines.size(), 2u);
        EXPECT_EQ(lines[1], c.allowed ? "navigation allowed" : "navigation cancelled");
    }
}

TEST(BrowserEvents, TitleChangesReachTheWindow) {
    ShellApp app(R"({"name":"title","window":{"title":"Before"}})");
    MainWindowWatch watch;
    RunResult run = runShell(
        app,
        "[{\"do\":\"wait\",\"ms\":500},"
        "{\"do\":\"title\",\"text\":\"Level 2 \xE2\x80\x94 \xE6\x97\xA5\"},{\"do\":\"wait\","
        "\"ms\":300},{\"do\":\"close\"}]",
        "", &watch);
    EXPECT_EQ(run.exitCode, 0u);
    ASSERT_FALSE(watch.states().empty());
    // The manifest's title first, the page's title last.
    EXPECT_NE(std::find_if(watch.states().begin(), watch.states().end(),
                           [](const MainWindowState& s) { return s.title == L"Before"; }),
              watch.states().end());
    EXPECT_EQ(watch.states().back().title, L"Level 2 \x2014 \x65E5");
}

TEST(BrowserEvents, EveryPermissionIsGranted) {
    std::string steps = "[";
    for (int kind = 0; kind <= 6; ++kind) {
        steps += R"({"do":"permission","kind":)" + std::to_string(kind) +
                 R"(,"uri":"https://quorvane.localhost/index.html","userInitiated":false},)";
    }
    steps += R"({"do":"close"}])";
    ShellApp app(R"({"name":"permissions"})");
    RunResult run = runShell(app, steps);
    std::vector<std::string> states = run.linesStartingWith("permission state=");
    EXPECT_EQ(states, std::vector<std::string>(7, "permission state=1"));
}

TEST(BrowserEvents, PageMessagesFromTheOriginSwitchFullscreen) {
    ShellApp app(R"({"name":"messages","window":{"width":800,"height":600}})");
    MainWindowWatch watch;
    std::string steps =
        stepList({webMessage(kOrigin + "index.html", kEnter), kWait,
                  webMessage(kOrigin + "levels/deep/page.html?x=1", kLeave), kWait, kClose});
    RunResult run = runShell(app, steps, "", &watch);
    EXPECT_EQ(run.exitCode, 0u);
    std::vector<std::string> bounds = run.linesStartingWith("controller Bounds=");
    ASSERT_GE(bounds.size(), 3u);
    EXPECT_EQ(bounds.front(), "controller Bounds=0,0,800,600");
    EXPECT_NE(std::find(bounds.begin(), bounds.end(), "controller Bounds=0,0,1920,1080"),
              bounds.end());
    EXPECT_EQ(bounds.back(), "controller Bounds=0,0,800,600");
    // Leaving, the shell gives the frame back before the rectangle, so a sample can catch the
    // screen's size with the frame once: only as the last sample of that size, right before the
    // window's own size comes back.
    const std::vector<MainWindowState>& states = watch.states();
    auto screenSized = [](const MainWindowState& state) {
        return state.windowRect.right - state.windowRect.left == 1920 &&
               state.windowRect.bottom - state.windowRect.top == 1080;
    };
    bool sawFullscreen = false;
    for (size_t i = 0; i < states.size(); ++i) {
        if (!screenSized(states[i]))
            continue;
        const bool leaving = i + 1 < states.size() && !screenSized(states[i + 1]) &&
                             (states[i].style & WS_CAPTION) == WS_CAPTION;
        if (!leaving) {
            sawFullscreen = true;
            EXPECT_EQ(states[i].style & (WS_CAPTION | WS_THICKFRAME), 0) << "sample " << i;
        }
    }
    EXPECT_TRUE(sawFullscreen);
    EXPECT_EQ(watch.states().back().style & WS_CAPTION, static_cast<LONG>(WS_CAPTION));
}

TEST(BrowserEvents, MessagesFromElsewhereOrNotStringsAreDropped) {
    ShellApp app(R"({"name":"dropped","window":{"width":800,"height":600}})");
    std::string steps = stepList(
        {webMessage("https://example.com/", kEnter),
         webMessage("HTTPS://QUORVANE.LOCALHOST/index.html", kEnter),
         webMessage("https://quorvane.localhost.example.com/", kEnter),
         webMessage("http://quorvane.localhost/", kEnter), webMessage(kOrigin, kEnter, "messageJson"),
         webMessage(kOrigin, R"({"type":"Set-Fullscreen","fullscreen":true})"),
         webMessage(kOrigin, "not json"), kWait, kClose});
    RunResult run = runShell(app, steps);
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_EQ(run.linesStartingWith("WebMessageReceived").size(), 7u);
    for (const std::string& line : run.linesStartingWith("controller Bounds=")) {
        EXPECT_EQ(line, "controller Bounds=0,0,800,600");
    }
}

TEST(BrowserEvents, FullscreenElementsAndMessagesGiveTheSameIdempotentState) {
    ShellApp app(R"({"name":"element","window":{"width":640,"height":480}})");
    std::string steps = stepList(
        {R"({"do":"fullscreen","enter":true})", kWait, webMessage(kOrigin, kEnter), kWait,
         R"({"do":"fullscreen","enter":false})", kWait, webMessage(kOrigin, kLeave), kWait, kClose});
    RunResult run = runShell(app, steps);
    EXPECT_EQ(run.exitCode, 0u);
    // One switch in and one out: the repeated requests change nothing, so no further sizes.
    EXPECT_EQ(run.linesStartingWith("controller Bounds="),
              (std::vector<std::string>{
                  "controller Bounds=0,0,640,480", "controller Bounds=0,0,640,480",
                  "controller Bounds=0,0,1920,1080", "controller Bounds=0,0,640,480"}));
}

TEST(BrowserEvents, RequestsThroughTheEventPathGetTheContentServersAnswers) {
    ShellApp app(R"({"name":"requests"})");
    app.folder.writeFile(L"www\\data\\level.scon", "{\"tiles\":[1,2,3]}");
    std::string steps = stepList(
        {R"({"do":"request","uri":"https://quorvane.localhost/data/level.scon"})",
         R"({"do":"request","uri":"https://quorvane.localhost/data/level.scon",)"
         R"("headers":["Range: bytes=2-6"]})",
         R"({"do":"request","uri":"https://quorvane.localhost/missing.png","method":"POST"})",
         kClose});
    RunResult run = runShell(app, steps);
    EXPECT_EQ(run.exitCode, 0u);
    std::vector<std::string> responses = run.linesStartingWith("response ");
    ASSERT_EQ(responses.size(), 4u);
    EXPECT_EQ(responses[1],
              "response 200 OK headers=Cache-Control: no-store\\nContent-Type: "
              "application/json\\nAccept-Ranges: bytes\\nContent-Length: 17 "
              "body[17]={\"tiles\":[1,2,3]}");
    EXPECT_EQ(responses[2],
              "response 206 Partial Content headers=Cache-Control: no-store\\nContent-Type: "
              "application/json\\nAccept-Ranges: bytes\\nContent-Range: bytes 2-6/17\\n"
              "Content-Length: 5 body[5]=tiles");
    EXPECT_EQ(responses[3],
              "response 404 Not Found headers=Cache-Control: no-store body[14]=File not found");
}

TEST(BrowserEvents, AScriptClosingTheWindowEndsTheRunWithCodeZero) {
    ShellApp app(R"({"name":"script-close"})");
    RunResult run =
        runShell(app, R"([{"do":"wait","ms":100},{"do":"close"},{"do":"wait","ms":5000}])");
    EXPECT_FALSE(run.timedOut);
    EXPECT_EQ(run.exitCode, 0u);
}

}  // namespace
}  // namespace quorvane::testing
