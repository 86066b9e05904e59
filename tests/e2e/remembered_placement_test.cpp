#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/e2e/e2e_support.h"
#include "tests/support/files.h"
#include "tests/support/run_log_lines.h"
#include "tests/support/temp_dir.h"
#include "platform/utf8.h"

namespace quorvane::testing {
namespace {

// A game that remembers its window, 640x360 by default. Each test has its own name, hence its own
// user data folder: tests run side by side.
std::string manifestOf(const std::string& name) {
    return R"({"name":")" + name + R"(","window":{"remember":true,"width":640,"height":360}})";
}

// Where the player leaves the window (outer rectangle, screen pixels: Wine draws at 96 dpi).
const std::string kLeftAt = "150,120,1050,820";
const RECT kLeftRect = {150, 120, 1050, 820};
const std::string kDrag = R"({"do":"window","action":"drag","rect":[150,120,1050,820]})";
const std::string kCloseButton = R"({"do":"window","action":"close"})";
const std::string kSettle = R"({"do":"wait","ms":500})";

std::wstring userDataOf(const std::string& name) {
    return userDataFolderFor(utf8ToWide(name));
}

std::wstring memoryFileOf(const std::string& name) {
    return userDataOf(name) + L"\\window.json";
}

std::string rectText(const RECT& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) +
           "," + std::to_string(r.bottom);
}

const MainWindowState* firstVisible(const MainWindowWatch& watch) {
    for (const MainWindowState& state : watch.states()) {
        if (state.visible)
            return &state;
    }
    return nullptr;
}

// A fresh user data folder (no window.json from an earlier run) for a game named after the test.
class WindowMemoryRun : public ::testing::Test {
  protected:
    void SetUp() override { removeTree(userDataOf(name_)); }
    std::wstring memoryFile() const { return memoryFileOf(name_); }
    std::wstring userData() const { return userDataOf(name_); }

    const std::string name_ =
        std::string("remembers-") + ::testing::UnitTest::GetInstance()->current_test_info()->name();
    ShellApp app_{manifestOf(name_)};
};

// The player drags the window elsewhere and to another size, then clicks the close button; the
// next run shows the window exactly there.
TEST_F(WindowMemoryRun, TheNextRunStartsWhereThePlayerLeftTheWindow) {
    RunResult first = runShell(app_, stepList({kSettle, kDrag, kCloseButton}));
    EXPECT_EQ(first.exitCode, 0u);
    EXPECT_TRUE(first.hasLine("window state=normal rect=" + kLeftAt));
    EXPECT_EQ(readFile(memoryFile()),
              "{\"x\":150,\"y\":120,\"width\":900,\"height\":700,\"dpi\":96,\"maximized\":false,"
              "\"fullscreen\":false}\n");

    MainWindowWatch watch;
    RunResult second = runShell(app_, stepList({kSettle, kCloseButton}), "", &watch);
    EXPECT_EQ(second.exitCode, 0u);
    const MainWindowState* shown = firstVisible(watch);
    ASSERT_NE(shown, nullptr);
    EXPECT_EQ(rectText(shown->windowRect), kLeftAt);
    // There from the start, hidden or shown (that it stays hidden until the page is parsed is
    // TheWindowStaysHiddenUntilThePageIsParsed: here the page parses before a sample may come).
    for (const MainWindowState& state : watch.states())
        EXPECT_EQ(rectText(state.windowRect), kLeftAt);
    const std::vector<std::string> log = runLogIn(userData());
    ASSERT_GE(log.size(), 3u);
    EXPECT_EQ(log[2], "window from window.json: 150,120 900x700");
}

// Left maximized, fullscreen or both: the next run comes back so, and leaving either returns to
// the rectangle the player had.
TEST_F(WindowMemoryRun, MaximizedAndFullscreenAreKept) {
    const std::string maximize = R"({"do":"window","action":"maximize"})";
    const std::string restore = R"({"do":"window","action":"restore"})";
    const std::string enter = R"({"do":"fullscreen","enter":true})";
    const std::string leave = R"({"do":"fullscreen","enter":false})";
    struct Case {
        const char* title;
        std::vector<std::string> leaving;  // the first run's steps after the drag
        const char* flags;                 // as window.json writes them
        bool startsMaximized, startsFullscreen;
        std::vector<std::string> thenSteps;  // the second run's, before the close button
        const char* lastLine;                // the second run's last window state
    } cases[] = {
        {"maximized",
         {maximize},
         R"("maximized":true,"fullscreen":false)",
         true,
         false,
         {restore},
         "window state=normal rect=150,120,1050,820"},
        {"fullscreen",
         {enter},
         R"("maximized":false,"fullscreen":true)",
         false,
         true,
         {leave, restore},
         "window state=normal rect=150,120,1050,820"},
        {"maximized, then fullscreen",
         {maximize, enter},
         R"("maximized":true,"fullscreen":true)",
         false,
         true,
         {leave, kSettle, restore},
         "window state=normal rect=150,120,1050,820"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title);
        removeTree(userData());
        std::vector<std::string> steps = {kSettle, kDrag};
        steps.insert(steps.end(), c.leaving.begin(), c.leaving.end());
        steps.push_back(kCloseButton);
        RunResult first = runShell(app_, stepList(steps));
        EXPECT_EQ(first.exitCode, 0u);
        EXPECT_EQ(readFile(memoryFile()),
                  "{\"x\":150,\"y\":120,\"width\":900,\"height\":700,\"dpi\":96," +
                      std::string(c.flags) + "}\n");

        MainWindowWatch watch;
        steps = {kSettle};
        steps.insert(steps.end(), c.thenSteps.begin(), c.thenSteps.end());
        steps.push_back(kCloseButton);
        RunResult second = runShell(app_, stepList(steps), "", &watch);
        EXPECT_EQ(second.exitCode, 0u);
        const MainWindowState* shown = firstVisible(watch);
        ASSERT_NE(shown, nullptr);
        EXPECT_EQ((shown->style & WS_MAXIMIZE) != 0, c.startsMaximized);
        EXPECT_EQ(shown->style & WS_CAPTION, c.startsFullscreen ? 0 : WS_CAPTION);
        if (c.startsFullscreen) {
            EXPECT_EQ(rectText(shown->windowRect), "0,0,1920,1080");
        }
        // Leaving fullscreen after "maximized, then fullscreen" maximizes again; the restore
        // button then returns to the player's rectangle.
        const std::vector<std::string> states = second.linesStartingWith("window state=");
        ASSERT_FALSE(states.empty());
        EXPECT_EQ(states.back(), c.lastLine);
        bool maximizedWindowed = false;
        for (const MainWindowState& state : watch.states()) {
            maximizedWindowed =
                maximizedWindowed || (state.visible && (state.style & WS_MAXIMIZE) &&
                                      (state.style & WS_CAPTION) == WS_CAPTION);
        }
        EXPECT_EQ(maximizedWindowed, c.startsMaximized || c.leaving.size() == 2);
    }
}

// A game left fullscreen and maximized still shows nothing before its page has been parsed.
TEST_F(WindowMemoryRun, TheWindowStaysHiddenUntilThePageIsParsed) {
    writeFile(memoryFile(),
              "{\"x\":150,\"y\":120,\"width\":900,\"height\":700,\"dpi\":96,\"maximized\":true,"
              "\"fullscreen\":true}");
    MainWindowWatch watch;
    RunResult run =
        runShell(app_, stepList({kSettle, R"({"do":"close"})"}), R"("pagesParse":false)", &watch);
    EXPECT_EQ(run.exitCode, 0u);
    ASSERT_FALSE(watch.states().empty());
    EXPECT_FALSE(watch.everVisible());
    EXPECT_EQ(rectText(watch.states().back().windowRect), "0,0,1920,1080");
    // Closed while hidden, it is remembered as it was.
    EXPECT_EQ(readFile(memoryFile()),
              "{\"x\":150,\"y\":120,\"width\":900,\"height\":700,\"dpi\":96,\"maximized\":true,"
              "\"fullscreen\":true}\n");
}

// Whatever is wrong with the file, the window starts as it always did (the manifest's client size
// where the system puts a new window) and the log says why.
TEST_F(WindowMemoryRun, AFileThatCannotBeUsedGivesTheDefaultPlaceAndALogLine) {
    const std::string good = "\"dpi\":96,\"maximized\":false,\"fullscreen\":false}";
    struct Case {
        const char* title;
        std::string file;  // empty: none
        std::string why;
    } cases[] = {
        {"missing", "", "not found"},
        {"not JSON", "{\"x\":150,", "not JSON"},
        {"not an object", "[150,120,900,700]", "not a JSON object"},
        {"a string for a number", "{\"x\":150,\"y\":120,\"width\":\"900\",\"height\":700," + good,
         "\"width\" is missing or not a number"},
        {"absurd size", "{\"x\":150,\"y\":120,\"width\":0,\"height\":700," + good,
         "the size 0x700 is out of range"},
        {"a DPI of 0", "{\"x\":150,\"y\":120,\"width\":900,\"height\":700,\"dpi\":0}",
         "the DPI 0 is out of range"},
        {"on a monitor that is gone", "{\"x\":2500,\"y\":120,\"width\":900,\"height\":700," + good,
         "the rectangle 2500,120 900x700 is on no monitor's work area now"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title);
        removeTree(userData());
        if (!c.file.empty())
            writeFile(memoryFile(), c.file);
        MainWindowWatch watch;
        RunResult run = runShell(app_, stepList({kSettle, kCloseButton}), "", &watch);
        EXPECT_EQ(run.exitCode, 0u);
        const MainWindowState* shown = firstVisible(watch);
        ASSERT_NE(shown, nullptr);
        EXPECT_EQ(shown->clientRect.right, 640);
        EXPECT_EQ(shown->clientRect.bottom, 360);
        EXPECT_NE(shown->windowRect.left, 2500);
        const std::vector<std::string> log = runLogIn(userData());
        ASSERT_GE(log.size(), 3u);
        EXPECT_EQ(log[2],
                  "window.json not used (" + c.why + "): the window starts at its default place");
    }
}

// Without "remember" nothing is read or written.
TEST(WindowMemoryOff, NothingIsReadOrWritten) {
    const wchar_t name[] = L"forgets";
    removeTree(userDataFolderFor(name));
    writeFile(userDataFolderFor(name) + L"\\window.json",
              "{\"x\":150,\"y\":120,\"width\":900,\"height\":700,\"dpi\":96,\"maximized\":true,"
              "\"fullscreen\":true}");
    ShellApp app(R"({"name":"forgets","window":{"width":640,"height":360}})");
    MainWindowWatch watch;
    RunResult run = runShell(app, stepList({kSettle, kDrag, kCloseButton}), "", &watch);
    EXPECT_EQ(run.exitCode, 0u);
    const MainWindowState* shown = firstVisible(watch);
    ASSERT_NE(shown, nullptr);
    EXPECT_EQ(shown->clientRect.right, 640);
    EXPECT_EQ(shown->style & WS_MAXIMIZE, 0);
    EXPECT_EQ(readFile(userDataFolderFor(name) + L"\\window.json"),
              "{\"x\":150,\"y\":120,\"width\":900,\"height\":700,\"dpi\":96,\"maximized\":true,"
              "\"fullscreen\":true}");
    for (const std::string& line : runLogIn(userDataFolderFor(name)))
        EXPECT_EQ(line.find("window.json"), std::string::npos) << line;
}

}  // namespace
}  // namespace quorvane::testing
