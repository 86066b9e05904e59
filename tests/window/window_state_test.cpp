#include <windows.h>

#include <gtest/gtest.h>

#include "window/window_state.h"

namespace quorvane {
namespace {

// A real top-level window of the shell's styles, reset into the process-wide state per test.
class Fullscreen : public ::testing::Test {
  protected:
    void SetUp() override { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
    void TearDown() override {
        if (windowState.window != nullptr)
            DestroyWindow(windowState.window);
        windowState.window = nullptr;
        windowState.fullscreen = false;
        windowState.savedStyle = 0;
        windowState.savedExStyle = 0;
        windowState.savedRect = {};
        windowState.taskbarList.reset();
        CoUninitialize();
    }

    HWND makeWindow(DWORD style, DWORD exStyle = 0) {
        HWND window = CreateWindowExW(exStyle, L"STATIC", L"fullscreen test", style, 100, 120, 640,
                                      480, nullptr, nullptr, nullptr, nullptr);
        EXPECT_NE(window, nullptr);
        windowState.window = window;
        return window;
    }

    static RECT rectOf(HWND window) {
        RECT r = {};
        GetWindowRect(window, &r);
        return r;
    }
    static RECT monitorOf(HWND window) {
        MONITORINFO info = {};
        info.cbSize = sizeof info;
        GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &info);
        return info.rcMonitor;
    }
};

void expectRect(const RECT& actual, const RECT& expected) {
    EXPECT_EQ(actual.left, expected.left);
    EXPECT_EQ(actual.top, expected.top);
    EXPECT_EQ(actual.right, expected.right);
    EXPECT_EQ(actual.bottom, expected.bottom);
}

TEST_F(Fullscreen, EnteringCoversTheMonitorAndLeavingRestoresEverything) {
    const DWORD style = WS_OVERLAPPEDWINDOW | WS_VISIBLE;
    const DWORD exStyle = WS_EX_WINDOWEDGE | WS_EX_CLIENTEDGE | WS_EX_ACCEPTFILES;
    HWND window = makeWindow(style, exStyle);
    const LONG styleBefore = GetWindowLongW(window, GWL_STYLE);
    const LONG exBefore = GetWindowLongW(window, GWL_EXSTYLE);
    const RECT before = rectOf(window);

    setFullscreen(true);
    EXPECT_TRUE(windowState.fullscreen);
    EXPECT_EQ(GetWindowLongW(window, GWL_STYLE), styleBefore & static_cast<LONG>(0xFF3BFFFF));
    EXPECT_EQ(GetWindowLongW(window, GWL_STYLE) & (WS_CAPTION | WS_THICKFRAME), 0);
    EXPECT_EQ(GetWindowLongW(window, GWL_EXSTYLE) &
                  (WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE | WS_EX_CLIENTEDGE | WS_EX_STATICEDGE),
              0);
    EXPECT_TRUE(GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_ACCEPTFILES);
    // The whole monitor, not its work area (on Xvfb both are 1920x1080: there is no taskbar).
    expectRect(rectOf(window), monitorOf(window));
    EXPECT_EQ(windowState.savedStyle, styleBefore);
    EXPECT_EQ(windowState.savedExStyle, exBefore);

    setFullscreen(false);
    EXPECT_FALSE(windowState.fullscreen);
    EXPECT_EQ(GetWindowLongW(window, GWL_STYLE), styleBefore);
    EXPECT_EQ(GetWindowLongW(window, GWL_EXSTYLE), exBefore);
    expectRect(rectOf(window), before);
}

TEST_F(Fullscreen, RepeatedRequestsChangeNothing) {
    HWND window = makeWindow(WS_OVERLAPPEDWINDOW | WS_VISIBLE);
    const RECT before = rectOf(window);
    const LONG styleBefore = GetWindowLongW(window, GWL_STYLE);

    setFullscreen(true);
    const RECT full = rectOf(window);
    // Moving the fullscreen window and asking again must not save the fullscreen placement.
    setFullscreen(true);
    expectRect(rectOf(window), full);
    expectRect(windowState.savedRect, before);
    EXPECT_EQ(windowState.savedStyle, styleBefore);

    setFullscreen(false);
    setFullscreen(false);
    expectRect(rectOf(window), before);
    EXPECT_EQ(GetWindowLongW(window, GWL_STYLE), styleBefore);
}

TEST_F(Fullscreen, LeavingBeforeEnteringDoesNothing) {
    HWND window = makeWindow(WS_OVERLAPPEDWINDOW | WS_VISIBLE);
    const RECT before = rectOf(window);
    const LONG styleBefore = GetWindowLongW(window, GWL_STYLE);
    setFullscreen(false);
    EXPECT_FALSE(windowState.fullscreen);
    EXPECT_EQ(GetWindowLongW(window, GWL_STYLE), styleBefore);
    expectRect(rectOf(window), before);
    // No switch happened, so the taskbar list was never asked for.
    EXPECT_FALSE(windowState.taskbarList);
}

TEST_F(Fullscreen, AWindowWithoutSizingBorderComesBackWithoutOne) {
    const DWORD fixedStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_VISIBLE;
    HWND window = makeWindow(fixedStyle);
    const RECT before = rectOf(window);
    setFullscreen(true);
    setFullscreen(false);
    const LONG style = GetWindowLongW(window, GWL_STYLE);
    EXPECT_EQ(style & WS_THICKFRAME, 0);
    EXPECT_EQ(style & WS_MAXIMIZEBOX, 0);
    EXPECT_EQ(style & WS_CAPTION, static_cast<LONG>(WS_CAPTION));
    expectRect(rectOf(window), before);
}

TEST_F(Fullscreen, TheTaskbarListIsMadeOnTheFirstRealSwitchAndKept) {
    makeWindow(WS_OVERLAPPEDWINDOW | WS_VISIBLE);
    setFullscreen(true);
    // Wine creates the object and HrInit succeeds (MarkFullscreenWindow then answers E_NOTIMPL,
    // which is ignored); on Windows all three succeed.
    ASSERT_TRUE(windowState.taskbarList);
    ITaskbarList2* first = windowState.taskbarList.get();
    setFullscreen(false);
    EXPECT_EQ(windowState.taskbarList.get(), first);
}

TEST_F(Fullscreen, AHiddenWindowSwitchesWithoutBeingShown) {
    HWND window = makeWindow(WS_OVERLAPPEDWINDOW);
    setFullscreen(true);
    EXPECT_FALSE(IsWindowVisible(window));
    expectRect(rectOf(window), monitorOf(window));
    setFullscreen(false);
    EXPECT_FALSE(IsWindowVisible(window));
}

}  // namespace
}  // namespace quorvane
