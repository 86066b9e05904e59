#include <windows.h>

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "platform/com_object.h"
#include "window/window_frame.h"
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

// Records what the taskbar is told. Wine's own object answers MarkFullscreenWindow with E_NOTIMPL,
// so only a recording object shows which value is passed.
class RecordingTaskbarList final : public ComObject<RecordingTaskbarList, ITaskbarList2> {
  public:
    RecordingTaskbarList() : ComObject(IID_ITaskbarList2) {}
    ~RecordingTaskbarList() = default;

    HRESULT STDMETHODCALLTYPE HrInit() noexcept override { return S_OK; }
    HRESULT STDMETHODCALLTYPE AddTab(HWND) noexcept override { return S_OK; }
    HRESULT STDMETHODCALLTYPE DeleteTab(HWND) noexcept override { return S_OK; }
    HRESULT STDMETHODCALLTYPE ActivateTab(HWND) noexcept override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetActiveAlt(HWND) noexcept override { return S_OK; }
    HRESULT STDMETHODCALLTYPE MarkFullscreenWindow(HWND window, BOOL on) noexcept override {
        marks.emplace_back(window, on);
        return S_OK;
    }

    std::vector<std::pair<HWND, BOOL>> marks;
};

TEST_F(Fullscreen, TheTaskbarIsToldOnEnteringAndOffOnLeaving) {
    HWND window = makeWindow(WS_OVERLAPPEDWINDOW | WS_VISIBLE);
    auto* recorder = new RecordingTaskbarList;
    windowState.taskbarList.reset(recorder);
    setFullscreen(true);
    setFullscreen(true);
    setFullscreen(false);
    setFullscreen(false);
    const std::vector<std::pair<HWND, BOOL>> expected = {{window, TRUE}, {window, FALSE}};
    EXPECT_EQ(recorder->marks, expected);
}

TEST_F(Fullscreen, AHiddenWindowSwitchesWithoutBeingShown) {
    HWND window = makeWindow(WS_OVERLAPPEDWINDOW);
    setFullscreen(true);
    EXPECT_FALSE(IsWindowVisible(window));
    expectRect(rectOf(window), monitorOf(window));
    setFullscreen(false);
    EXPECT_FALSE(IsWindowVisible(window));
}

// A game that starts fullscreen enters while its window is still hidden and is shown later:
// leaving must not hide it again with the style saved while it was hidden.
TEST_F(Fullscreen, AWindowShownWhileFullscreenStaysVisibleWhenItLeaves) {
    HWND window = makeWindow(WS_OVERLAPPEDWINDOW);
    const RECT before = rectOf(window);
    const LONG hiddenStyle = GetWindowLongW(window, GWL_STYLE);
    setFullscreen(true);
    ShowWindow(window, SW_SHOW);
    setFullscreen(false);
    EXPECT_TRUE(IsWindowVisible(window));
    EXPECT_EQ(GetWindowLongW(window, GWL_STYLE), hiddenStyle | static_cast<LONG>(WS_VISIBLE));
    expectRect(rectOf(window), before);
}

// The outer size in 64 bits: a client size near the int32 limit plus the frame must not wrap.
TEST(OuterWindowSize, AddsTheFrameAndHoldsTheSumToInt32) {
    struct Case {
        int32_t width, height;
        RECT frame;
        LONG outerWidth, outerHeight;
    };
    const RECT frame = {-8, -31, 8, 8};
    const Case cases[] = {
        {1024, 768, frame, 1040, 807},
        {0, 0, frame, 16, 39},
        {1024, 768, {0, 0, 0, 0}, 1024, 768},
        {INT32_MAX, INT32_MAX, frame, INT32_MAX, INT32_MAX},
        {INT32_MAX - 16, INT32_MAX - 39, frame, INT32_MAX, INT32_MAX},
        {INT32_MAX - 17, 100, frame, INT32_MAX - 1, 139},
        {INT32_MIN, INT32_MIN, frame, INT32_MIN + 16, INT32_MIN + 39},
        {INT32_MIN, 10, {INT32_MAX, 0, INT32_MIN, 0}, INT32_MIN, 10},
    };
    for (const Case& c : cases) {
        const SIZE outer = outerWindowSize(c.width, c.height, c.frame);
        EXPECT_EQ(outer.cx, c.outerWidth) << c.width;
        EXPECT_EQ(outer.cy, c.outerHeight) << c.height;
    }
}

}  // namespace
}  // namespace quorvane
