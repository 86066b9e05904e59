#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "window/window_state.h"
#include "messaging/page_message.h"
#include "tests/support/files.h"

namespace quorvane {
namespace {

class PageMessage : public ::testing::Test {
  protected:
    void SetUp() override {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        windowState.window = CreateWindowExW(0, L"STATIC", L"page", WS_OVERLAPPEDWINDOW, 10, 10,
                                             300, 200, nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(windowState.window, nullptr);
    }
    void TearDown() override {
        DestroyWindow(windowState.window);
        windowState = WindowState{};
        CoUninitialize();
    }
};

struct Case {
    std::wstring message;
    bool startFullscreen;
    bool expectFullscreen;
};

TEST_F(PageMessage, TableOfMessages) {
    const Case cases[] = {
        {LR"({"type": "set-fullscreen", "fullscreen": true})", false, true},
        {LR"({"type": "set-fullscreen", "fullscreen": false})", true, false},
        {LR"({"type": "set-fullscreen"})", true, false},
        {LR"({"type": "set-fullscreen", "fullscreen": "true"})", false, false},
        {LR"({"type": "set-fullscreen", "fullscreen": "true"})", true, false},
        {LR"({"type": "set-fullscreen", "fullscreen": 1})", true, false},
        {LR"({"type": "set-fullscreen", "fullscreen": null})", true, false},
        {LR"({"type": "set-fullscreen", "fullscreen": true, "id": 7})", false, true},
        {LR"({"fullscreen": true, "type": "set-fullscreen"})", false, true},
        {LR"({"type": "Set-Fullscreen", "fullscreen": true})", false, false},
        {LR"({"type": "set-fullscreen ", "fullscreen": true})", false, false},
        {LR"({"type": ["set-fullscreen"], "fullscreen": true})", false, false},
        {LR"({"fullscreen": true})", false, false},
        {LR"({"fullscreen": false})", true, true},
        {LR"([{"type": "set-fullscreen", "fullscreen": true}])", false, false},
        {LR"("set-fullscreen")", false, false},
        {L"42", false, false},
        {L"", false, false},
        {L"set-fullscreen", false, false},
        {L"{\"type\": \"set-fullscreen\", \"fullscreen\": true", false, false},
        {L"{\"type\": \"set-fullscreen\", \"fullscreen\": true} trailing", false, false},
        {L"{\"type\": \"set-fullscreen\", \"fullscreen\": true} // comment", false, false},
        // Parsing stops at the first NUL: the text before it is an incomplete document.
        {std::wstring(L"{\"type\": \"set-fullscreen\"\0, \"fullscreen\": true}", 46), false, false},
        // ... and a complete document before it is acted on.
        {std::wstring(L"{\"type\": \"set-fullscreen\", \"fullscreen\": true}\0junk", 51), false,
         true},
        {L"{\"type\": \"set-fullscreen\", \"fullscreen\": true, \"title\": \"\x65E5\xD83C\xDFAE\"}",
         false, true},
        // An unpaired surrogate converts to U+FFFD and the message still parses.
        {L"{\"type\": \"set-fullscreen\", \"fullscreen\": true, \"x\": \"\xD800\"}", false, true},
        {LR"({"type": "set-fullscreen", "fullscreen": true, "type": "other"})", false, false},
        {L"\xFEFF{\"type\": \"set-fullscreen\", \"fullscreen\": true}", false, true},
    };
    for (const Case& c : cases) {
        setFullscreen(c.startFullscreen);
        handlePageMessage(c.message);
        EXPECT_EQ(windowState.fullscreen, c.expectFullscreen) << testing::narrow(c.message);
    }
    setFullscreen(false);
}

TEST_F(PageMessage, TheSameRequestTwiceEntersOnce) {
    RECT windowed = {};
    GetWindowRect(windowState.window, &windowed);
    handlePageMessage(LR"({"type": "set-fullscreen", "fullscreen": true})");
    handlePageMessage(LR"({"type": "set-fullscreen", "fullscreen": true})");
    EXPECT_TRUE(windowState.fullscreen);
    EXPECT_EQ(windowState.savedRect.left, windowed.left);
    EXPECT_EQ(windowState.savedRect.right, windowed.right);
    handlePageMessage(LR"({"type": "set-fullscreen", "fullscreen": false})");
    RECT after = {};
    GetWindowRect(windowState.window, &after);
    EXPECT_EQ(after.left, windowed.left);
    EXPECT_EQ(after.top, windowed.top);
    EXPECT_EQ(after.right, windowed.right);
    EXPECT_EQ(after.bottom, windowed.bottom);
}

TEST_F(PageMessage, HostileMessagesAreDroppedWithoutHarm) {
    std::wstring deep(100000, L'[');
    handlePageMessage(deep);
    handlePageMessage(std::wstring(100000, L'[') + std::wstring(100000, L']'));
    handlePageMessage(L"{\"type\": \"set-fullscreen\", \"fullscreen\": 1e400}");
    handlePageMessage(std::wstring(1 << 20, L' '));
    EXPECT_FALSE(windowState.fullscreen);
}

}  // namespace
}  // namespace quorvane
