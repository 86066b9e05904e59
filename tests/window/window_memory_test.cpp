#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/run_log.h"
#include "window/client_size.h"
#include "window/window_memory.h"
#include "window/window_show.h"
#include "window/window_state.h"
#include "tests/support/files.h"
#include "tests/support/run_log_lines.h"
#include "tests/support/temp_dir.h"

namespace quorvane {
namespace {

std::string text(const RECT& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) +
           "," + std::to_string(r.bottom);
}

std::string memoryText() {
    return rememberedWindowText(mainWindowMemory());
}

std::string expectedText(const RECT& r, bool maximized, bool fullscreen) {
    return rememberedWindowText(rememberWindowRect(r, 96, maximized, fullscreen));
}

// A real resizable top-level window as the main window, at kNormal (Wine draws at 96 dpi, on one
// 1920x1080 monitor without a taskbar).
class WindowMemory : public ::testing::Test {
  protected:
    static constexpr RECT kNormal = {200, 150, 1000, 750};

    void SetUp() override {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        window_ = CreateWindowExW(0, L"STATIC", L"memory test", WS_OVERLAPPEDWINDOW, kNormal.left,
                                  kNormal.top, kNormal.right - kNormal.left,
                                  kNormal.bottom - kNormal.top, nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(window_, nullptr);
        windowState.window = window_;
    }
    void TearDown() override {
        closeRunLog();
        DestroyWindow(window_);
        windowState.taskbarList.reset();
        windowState = WindowState{};
        CoUninitialize();
    }

    RECT outer() const {
        RECT r = {};
        GetWindowRect(window_, &r);
        return r;
    }

    HWND window_ = nullptr;
};

// However the window is at close, the windowed rectangle is what is kept, with how it comes back.
TEST_F(WindowMemory, KeepsTheWindowedRectangleInEveryState) {
    ShowWindow(window_, SW_SHOW);
    EXPECT_EQ(memoryText(), expectedText(kNormal, false, false)) << "normal";

    ShowWindow(window_, SW_MAXIMIZE);
    EXPECT_EQ(memoryText(), expectedText(kNormal, true, false)) << "maximized";
    setFullscreen(true);
    EXPECT_EQ(memoryText(), expectedText(kNormal, true, true)) << "fullscreen from maximized";
    ShowWindow(window_, SW_MINIMIZE);
    EXPECT_EQ(memoryText(), expectedText(kNormal, true, true)) << "minimized while fullscreen";
    ShowWindow(window_, SW_RESTORE);
    setFullscreen(false);
    ShowWindow(window_, SW_MINIMIZE);
    EXPECT_EQ(memoryText(), expectedText(kNormal, true, false)) << "minimized from maximized";

    ShowWindow(window_, SW_RESTORE);
    ShowWindow(window_, SW_RESTORE);
    ASSERT_FALSE(IsZoomed(window_));
    ASSERT_EQ(text(outer()), text(kNormal));
    ShowWindow(window_, SW_MINIMIZE);
    EXPECT_EQ(memoryText(), expectedText(kNormal, false, false)) << "minimized";
    ShowWindow(window_, SW_RESTORE);
    setFullscreen(true);
    EXPECT_EQ(memoryText(), expectedText(kNormal, false, true)) << "fullscreen";
    // A size asked while fullscreen is where leaving would go.
    setClientSizeInDips(400, 300);
    RECT frame = {};
    AdjustWindowRectEx(&frame, WS_OVERLAPPEDWINDOW, FALSE, 0);
    const RECT sized = {kNormal.left, kNormal.top, kNormal.left + 400 + frame.right - frame.left,
                        kNormal.top + 300 + frame.bottom - frame.top};
    EXPECT_EQ(memoryText(), expectedText(sized, false, true)) << "size asked while fullscreen";
    setFullscreen(false);
    EXPECT_EQ(text(outer()), text(sized));
}

TEST_F(WindowMemory, AHiddenWindowOwingAMaximizeIsKeptMaximized) {
    windowState.maximizeWhenShown = true;
    EXPECT_EQ(memoryText(), expectedText(kNormal, true, false));
    // Shown, it pays the maximize once and comes back to its rectangle when restored.
    showMainWindow();
    EXPECT_TRUE(IsWindowVisible(window_));
    EXPECT_TRUE(IsZoomed(window_));
    EXPECT_FALSE(windowState.maximizeWhenShown);
    ShowWindow(window_, SW_RESTORE);
    EXPECT_EQ(text(outer()), text(kNormal));
    showMainWindow();
    EXPECT_FALSE(IsZoomed(window_));
}

TEST_F(WindowMemory, AWindowStartingFullscreenMaximizesOnlyWhenFullscreenEnds) {
    StartPlacement placement;
    placement.rect = kNormal;
    placement.maximized = true;
    placement.fullscreen = true;
    applyStartPlacement(placement);
    EXPECT_FALSE(IsWindowVisible(window_));
    EXPECT_TRUE(windowState.fullscreen);
    showMainWindow();
    EXPECT_TRUE(IsWindowVisible(window_));
    EXPECT_FALSE(IsZoomed(window_));
    setFullscreen(false);
    EXPECT_TRUE(IsZoomed(window_));
    ShowWindow(window_, SW_RESTORE);
    EXPECT_EQ(text(outer()), text(kNormal));
}

// Another start of the game: a minimized window comes back; a hidden one is not shown early.
TEST_F(WindowMemory, AnotherStartBringsTheWindowBack) {
    bringMainWindowToFront();
    EXPECT_FALSE(IsWindowVisible(window_));
    EXPECT_TRUE(windowState.toFrontWhenShown);
    showMainWindow();
    EXPECT_FALSE(windowState.toFrontWhenShown);
    EXPECT_EQ(GetForegroundWindow(), window_);

    ShowWindow(window_, SW_MINIMIZE);
    ASSERT_TRUE(IsIconic(window_));
    bringMainWindowToFront();
    EXPECT_FALSE(IsIconic(window_));
    EXPECT_EQ(text(outer()), text(kNormal));
    EXPECT_EQ(GetForegroundWindow(), window_);
}

// The file in a folder: written at close, read at the next start, refused with a log line.
TEST_F(WindowMemory, TheFileGoesAndComesBack) {
    testing::TempDir folder;
    ASSERT_TRUE(openRunLog(folder.path()));
    const std::wstring file = folder / L"window.json";
    // A write killed in the middle left its temporary file behind.
    const std::wstring leftover = folder / L".window.json.1234-1.quorvane-tmp";
    testing::writeFile(leftover, "{");

    EXPECT_FALSE(startRememberingWindow(folder.path()));
    EXPECT_FALSE(testing::fileExists(leftover));
    ShowWindow(window_, SW_MAXIMIZE);
    rememberWindowNow();
    EXPECT_EQ(testing::readFile(file), expectedText(kNormal, true, false));

    std::optional<StartPlacement> placement = startRememberingWindow(folder.path());
    ASSERT_TRUE(placement);
    EXPECT_EQ(text(placement->rect), text(kNormal));
    EXPECT_TRUE(placement->maximized);
    EXPECT_FALSE(placement->fullscreen);

    // Nowhere on the monitor there is now.
    testing::writeFile(file, expectedText({2500, 100, 3300, 700}, false, false));
    EXPECT_FALSE(startRememberingWindow(folder.path()));
    testing::writeFile(file, "{\"x\":");
    EXPECT_FALSE(startRememberingWindow(folder.path()));
    closeRunLog();
    EXPECT_EQ(testing::runLogIn(folder.path()),
              (std::vector<std::string>{
                  "window.json not used (not found): the window starts at its default place",
                  "window from window.json: 200,150 800x600 maximized",
                  "window.json not used (the rectangle 2500,100 800x600 is on no monitor's work "
                  "area now): the window starts at its default place",
                  "window.json not used (not JSON): the window starts at its default place"}));
}

TEST(WindowMemoryWithoutStart, WritesNothing) {
    ASSERT_EQ(windowState.window, nullptr);
    rememberWindowNow();  // no window, no folder: nothing happens, nothing crashes
}

}  // namespace
}  // namespace quorvane
