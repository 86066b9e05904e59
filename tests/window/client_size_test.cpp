#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "window/client_size.h"
#include "window/window_dpi.h"
#include "window/window_state.h"

namespace quorvane {
namespace {

std::string text(const RECT& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) +
           "," + std::to_string(r.bottom);
}

// A frame as AdjustWindowRectEx gives WS_OVERLAPPEDWINDOW at 96 dpi on Windows 10.
constexpr RECT kFrame = {-8, -31, 8, 8};
constexpr SIZE kMinimum = {320, 240};

TEST(PlaceClientSize, KeepsTheCornerAndStaysInsideTheWorkArea) {
    struct Case {
        const char* title;
        RECT current;
        SIZE client;
        SIZE minimum;
        RECT workArea;
        RECT expected;
    } cases[] = {
        {"fits where it is",
         {100, 100, 500, 400},
         {800, 600},
         kMinimum,
         {0, 0, 1920, 1040},
         {100, 100, 916, 739}},
        {"crosses the right edge: moves left",
         {1500, 100, 1900, 400},
         {800, 600},
         kMinimum,
         {0, 0, 1920, 1040},
         {1104, 100, 1920, 739}},
        {"crosses the bottom edge: moves up",
         {100, 900, 500, 1000},
         {800, 600},
         kMinimum,
         {0, 0, 1920, 1040},
         {100, 401, 916, 1040}},
        {"starts left of the work area",
         {-300, -50, 100, 100},
         {800, 600},
         kMinimum,
         {0, 0, 1920, 1040},
         {0, 0, 816, 639}},
        {"too large: the whole work area",
         {100, 100, 500, 400},
         {5000, 4000},
         kMinimum,
         {0, 0, 1920, 1040},
         {0, 0, 1920, 1040}},
        {"too small: the smallest size",
         {100, 100, 500, 400},
         {10, 0},
         kMinimum,
         {0, 0, 1920, 1040},
         {100, 100, 436, 379}},
        {"negative size: the smallest size",
         {100, 100, 500, 400},
         {-800, -600},
         kMinimum,
         {0, 0, 1920, 1040},
         {100, 100, 436, 379}},
        {"a work area smaller than the smallest window",
         {100, 100, 500, 400},
         {800, 600},
         kMinimum,
         {0, 0, 300, 200},
         {0, 0, 336, 279}},
        {"taskbar at the left of a second monitor",
         {1930, 100, 2330, 400},
         {800, 600},
         kMinimum,
         {1980, 0, 3840, 1080},
         {1980, 100, 2796, 739}},
        {"monitor left of the primary one",
         {-700, 500, -100, 900},
         {800, 600},
         kMinimum,
         {-1920, 0, 0, 1080},
         {-816, 441, 0, 1080}},
        {"extreme coordinates do not wrap",
         {INT32_MAX - 10, INT32_MIN, INT32_MAX, INT32_MIN + 10},
         {INT32_MAX, INT32_MAX},
         kMinimum,
         {0, 0, 1920, 1040},
         {0, 0, 1920, 1040}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(text(placeClientSize(c.current, c.client, c.minimum, kFrame, c.workArea)),
                  text(c.expected))
            << c.title;
    }
}

TEST(WindowDpi, LengthsInDipsAndPixels) {
    struct Case {
        int64_t dips;
        UINT dpi;
        int32_t pixels;     // pixelsFromDips(dips, dpi), rounded up
        int32_t dipsAgain;  // dipsFromPixels(pixels, dpi)
    } cases[] = {
        {1024, 96, 1024, 1024},
        {1024, 120, 1280, 1024},
        {301, 120, 377, 301},
        {768, 144, 1152, 768},
        {1025, 168, 1794, 1025},
        {320, 192, 640, 320},
        {1, 120, 2, 1},
        {0, 144, 0, 0},
        {-3, 120, -3, -3},
        {INT64_MAX, 96, INT32_MAX, INT32_MAX},
        {INT64_MIN, 144, INT32_MIN, -1431655766},
        {800, 0, 800, 800},  // a DPI of 0 (no answer) counts as 96
    };
    for (const Case& c : cases) {
        EXPECT_EQ(pixelsFromDips(c.dips, c.dpi), c.pixels) << c.dips << " at " << c.dpi;
        EXPECT_EQ(dipsFromPixels(c.pixels, c.dpi), c.dipsAgain) << c.dips << " at " << c.dpi;
    }
    // Every whole DIP length survives the trip at the DPIs Windows offers.
    for (UINT dpi : {96u, 120u, 144u, 168u, 192u, 216u, 240u, 288u, 336u, 384u, 432u, 480u}) {
        for (int dips = 0; dips <= 4000; ++dips) {
            ASSERT_EQ(dipsFromPixels(pixelsFromDips(dips, dpi), dpi), dips) << dpi;
        }
    }
    // Pixels that fall between two DIPs round down.
    EXPECT_EQ(dipsFromPixels(1251, 120), 1000);
    EXPECT_EQ(dipsFromPixels(-1, 120), -1);
}

// A real top-level window of the shell's resizable style as the main window; Wine draws at 96 dpi,
// so DIPs are pixels here, and Xvfb's one monitor is 1920x1080 with no taskbar.
class ClientSize : public ::testing::Test {
  protected:
    void SetUp() override {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        // A client area of 640x480 at 100,120.
        RECT r = {0, 0, 640, 480};
        AdjustWindowRectEx(&r, WS_OVERLAPPEDWINDOW, FALSE, 0);
        size_ = {r.right - r.left, r.bottom - r.top};
        window_ =
            CreateWindowExW(0, L"STATIC", L"client size test", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                            100, 120, size_.cx, size_.cy, nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(window_, nullptr);
        windowState.window = window_;
    }
    void TearDown() override {
        DestroyWindow(window_);
        windowState.taskbarList.reset();
        windowState = WindowState{};
        CoUninitialize();
    }

    SIZE client() const {
        RECT r = {};
        GetClientRect(window_, &r);
        return {r.right, r.bottom};
    }
    RECT outer() const {
        RECT r = {};
        GetWindowRect(window_, &r);
        return r;
    }
    static RECT workArea() {
        RECT r = {};
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &r, 0);
        return r;
    }
    void expectState(bool fullscreen, int width, int height) {
        const WindowClientState state = clientStateInDips();
        EXPECT_EQ(state.fullscreen, fullscreen);
        EXPECT_EQ(state.width, width);
        EXPECT_EQ(state.height, height);
    }

    HWND window_ = nullptr;
    SIZE size_ = {};
};

TEST_F(ClientSize, TheWindowedWindowTakesTheSizeWithinLimits) {
    ASSERT_EQ(windowDpi(window_), 96u) << "the expectations below are for 96 dpi";
    const RECT work = workArea();
    struct Case {
        int width, height;
        int clientWidth, clientHeight;  // 0: as large as the work area allows
    } cases[] = {
        {800, 600, 800, 600},      {320, 240, 320, 240},   {100, 50, 320, 240},
        {-5, INT32_MIN, 320, 240}, {1280, 720, 1280, 720}, {INT32_MAX, INT32_MAX, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height));
        SetWindowPos(window_, nullptr, 100, 120, size_.cx, size_.cy, SWP_NOZORDER);
        setClientSizeInDips(c.width, c.height);
        const RECT r = outer();
        if (c.clientWidth == 0) {
            EXPECT_EQ(text(r), text(work));
        } else {
            EXPECT_EQ(client().cx, c.clientWidth);
            EXPECT_EQ(client().cy, c.clientHeight);
            EXPECT_EQ(r.left, 100);
            EXPECT_EQ(r.top, 120);
            expectState(false, c.clientWidth, c.clientHeight);
        }
    }
}

TEST_F(ClientSize, AWindowNearTheEdgeMovesBackOnScreen) {
    const RECT work = workArea();
    SetWindowPos(window_, nullptr, work.right - 200, work.bottom - 100, size_.cx, size_.cy,
                 SWP_NOZORDER);
    setClientSizeInDips(800, 600);
    EXPECT_EQ(client().cx, 800);
    EXPECT_EQ(client().cy, 600);
    EXPECT_EQ(outer().right, work.right);
    EXPECT_EQ(outer().bottom, work.bottom);
}

TEST_F(ClientSize, AskedWhileFullscreenItAppliesWhenFullscreenEnds) {
    const RECT before = outer();
    setFullscreen(true);
    const RECT full = outer();
    setClientSizeInDips(800, 600);
    EXPECT_EQ(text(outer()), text(full));
    expectState(true, full.right - full.left, full.bottom - full.top);
    setClientSizeInDips(700, 500);  // the last request wins
    setFullscreen(false);
    EXPECT_EQ(client().cx, 700);
    EXPECT_EQ(client().cy, 500);
    EXPECT_EQ(outer().left, before.left);
    EXPECT_EQ(outer().top, before.top);
    expectState(false, 700, 500);
    // Applied once: the next round trip returns to the windowed rectangle as it is now.
    const RECT sized = outer();
    setFullscreen(true);
    setFullscreen(false);
    EXPECT_EQ(text(outer()), text(sized));
}

TEST_F(ClientSize, AMaximizedWindowIsRestoredToTheSize) {
    ShowWindow(window_, SW_MAXIMIZE);
    ASSERT_TRUE(IsZoomed(window_));
    setClientSizeInDips(700, 500);
    EXPECT_FALSE(IsZoomed(window_));
    EXPECT_EQ(client().cx, 700);
    EXPECT_EQ(client().cy, 500);
    // Back where it was before it was maximized.
    EXPECT_EQ(outer().left, 100);
    EXPECT_EQ(outer().top, 120);
}

TEST_F(ClientSize, AMinimizedWindowStaysMinimizedAndComesBackAtTheSize) {
    ShowWindow(window_, SW_MINIMIZE);
    ASSERT_TRUE(IsIconic(window_));
    expectState(false, 640, 480);
    setClientSizeInDips(700, 500);
    EXPECT_TRUE(IsIconic(window_));
    expectState(false, 700, 500);
    ShowWindow(window_, SW_RESTORE);
    EXPECT_EQ(client().cx, 700);
    EXPECT_EQ(client().cy, 500);
    EXPECT_EQ(outer().left, 100);
    EXPECT_EQ(outer().top, 120);
}

TEST_F(ClientSize, AHiddenWindowIsSizedWithoutBeingShown) {
    ShowWindow(window_, SW_HIDE);
    setClientSizeInDips(900, 700);
    EXPECT_FALSE(IsWindowVisible(window_));
    EXPECT_EQ(client().cx, 900);
    EXPECT_EQ(client().cy, 700);
}

// A window left maximized in the last run is maximized when fullscreen ends, unless the page asked
// for a size meanwhile.
TEST_F(ClientSize, LeavingFullscreenPaysTheMaximizeFromTheLastRun) {
    windowState.maximizeWhenShown = true;
    setFullscreen(true);
    setFullscreen(false);
    EXPECT_TRUE(IsZoomed(window_));
    EXPECT_FALSE(windowState.maximizeWhenShown);

    ShowWindow(window_, SW_RESTORE);
    windowState.maximizeWhenShown = true;
    setFullscreen(true);
    setClientSizeInDips(800, 600);
    setFullscreen(false);
    EXPECT_FALSE(IsZoomed(window_));
    EXPECT_EQ(client().cx, 800);
    EXPECT_EQ(client().cy, 600);
}

TEST(ClientSizeWithoutWindow, GivesZerosAndChangesNothing) {
    ASSERT_EQ(windowState.window, nullptr);
    setClientSizeInDips(800, 600);
    const WindowClientState state = clientStateInDips();
    EXPECT_FALSE(state.fullscreen);
    EXPECT_EQ(state.width, 0);
    EXPECT_EQ(state.height, 0);
    EXPECT_FALSE(windowState.clientSizeAfterFullscreen.has_value());
}

}  // namespace
}  // namespace quorvane
