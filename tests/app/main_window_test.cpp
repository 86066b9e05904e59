#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/main_window.h"
#include "window/window_state.h"
#include "browser/browser_host.h"
#include "tests/standin/standin_client.h"

namespace quorvane {
namespace {

using testing::StandinClient;

// The shell's window procedure on a real window, with the stand-in runtime's controller in it.
class MainWindow : public ::testing::Test {
  protected:
    void SetUp() override {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        WNDCLASSEXW windowClass = {};
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = mainWindowProc;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = L"MainWindowTest";
        RegisterClassExW(&windowClass);
        window_ = CreateWindowExW(0, L"MainWindowTest", L"test", WS_OVERLAPPEDWINDOW, 50, 60, 500,
                                  400, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
        ASSERT_NE(window_, nullptr);
    }
    void TearDown() override {
        browserHost.controller.reset();
        if (IsWindow(window_))
            DestroyWindow(window_);
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        }
        CoUninitialize();
    }

    void attachController() {
        browserHost.controller = StandinClient::instance().createController(window_);
        ASSERT_TRUE(browserHost.controller);
        StandinClient::instance().takeTranscript();
    }
    static std::vector<std::string> calls() { return StandinClient::instance().takeTranscript(); }
    std::string clientBounds() {
        RECT client = {};
        GetClientRect(window_, &client);
        return "controller Bounds=0,0," + std::to_string(client.right) + "," +
               std::to_string(client.bottom);
    }

    HWND window_ = nullptr;
};

TEST_F(MainWindow, SizeChangesOfEveryKindReachTheController) {
    attachController();
    ShowWindow(window_, SW_SHOWNORMAL);
    calls();

    SetWindowPos(window_, nullptr, 0, 0, 700, 500, SWP_NOMOVE | SWP_NOZORDER);
    std::vector<std::string> resized = calls();
    ASSERT_FALSE(resized.empty());
    EXPECT_EQ(resized.back(), clientBounds());

    // Minimised: the client area, and so the view, is empty.
    ShowWindow(window_, SW_MINIMIZE);
    std::vector<std::string> minimised = calls();
    EXPECT_NE(std::find(minimised.begin(), minimised.end(), "controller Bounds=0,0,0,0"),
              minimised.end());

    ShowWindow(window_, SW_RESTORE);
    std::vector<std::string> restored = calls();
    ASSERT_FALSE(restored.empty());
    EXPECT_NE(std::find(restored.begin(), restored.end(), clientBounds()), restored.end());
    EXPECT_NE(clientBounds(), "controller Bounds=0,0,0,0");
}

TEST_F(MainWindow, MovesAreReportedToTheController) {
    attachController();
    SendMessageW(window_, WM_MOVE, 0, MAKELPARAM(10, 20));
    RECT moving = {0, 0, 100, 100};
    EXPECT_EQ(SendMessageW(window_, WM_MOVING, 0, reinterpret_cast<LPARAM>(&moving)), 0);
    EXPECT_EQ(calls(), (std::vector<std::string>{"controller NotifyParentWindowPositionChanged",
                                                 "controller NotifyParentWindowPositionChanged"}));
}

TEST_F(MainWindow, MessagesBeforeTheControllerExistsAreIgnored) {
    ASSERT_FALSE(browserHost.controller);
    EXPECT_EQ(SendMessageW(window_, WM_SIZE, SIZE_RESTORED, MAKELPARAM(300, 200)), 0);
    EXPECT_EQ(SendMessageW(window_, WM_MOVE, 0, 0), 0);
    SetWindowPos(window_, nullptr, 5, 5, 320, 240, SWP_NOZORDER);
    EXPECT_TRUE(IsWindow(window_));
}

TEST_F(MainWindow, DestroyingTheWindowEndsTheLoopWithCodeZero) {
    DestroyWindow(window_);
    MSG message = {};
    bool quit = false;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            quit = true;
            break;
        }
    }
    ASSERT_TRUE(quit);
    EXPECT_EQ(message.wParam, 0u);
}

TEST_F(MainWindow, CloseIsLeftToTheDefaultWhichDestroysTheWindow) {
    SendMessageW(window_, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(window_));
}

}  // namespace
}  // namespace quorvane
