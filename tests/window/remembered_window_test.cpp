#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "window/remembered_window.h"

namespace quorvane {
namespace {

std::string text(const RECT& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) +
           "," + std::to_string(r.bottom);
}

// What is written for a window left in pixels at a DPI, and that it comes back to the pixel.
TEST(RememberedWindow, WrittenInDipsAndBackToThePixel) {
    struct Case {
        RECT rect;
        UINT dpi;
        bool maximized, fullscreen;
        const char* written;
    } cases[] = {
        {{100, 80, 900, 680},
         96,
         false,
         false,
         R"({"x":100,"y":80,"width":800,"height":600,"dpi":96,"maximized":false,"fullscreen":false})"},
        {{101, -7, 1101, 757},
         120,
         true,
         true,
         R"({"x":80.8,"y":-5.6,"width":800,"height":611.2,"dpi":120,"maximized":true,"fullscreen":true})"},
        {{1, 1, 1002, 752},
         144,
         false,
         true,
         R"({"x":0.67,"y":0.67,"width":667.33,"height":500.67,"dpi":144,"maximized":false,"fullscreen":true})"},
        {{-1921, 0, -1, 1080},
         168,
         true,
         false,
         R"({"x":-1097.71,"y":0,"width":1097.14,"height":617.14,"dpi":168,"maximized":true,"fullscreen":false})"},
    };
    for (const Case& c : cases) {
        const RememberedWindow window =
            rememberWindowRect(c.rect, c.dpi, c.maximized, c.fullscreen);
        const std::string written = rememberedWindowText(window);
        EXPECT_EQ(written, std::string(c.written) + "\n");
        const RememberedWindowRead read = readRememberedWindow(written);
        ASSERT_TRUE(read.window) << read.problem;
        EXPECT_EQ(text(startRectInPixels(*read.window, c.dpi)), text(c.rect)) << c.written;
        EXPECT_EQ(read.window->dpi, c.dpi);
        EXPECT_EQ(read.window->maximized, c.maximized);
        EXPECT_EQ(read.window->fullscreen, c.fullscreen);
    }
    // Every rectangle comes back exactly at the DPIs Windows offers.
    for (UINT dpi : {96u, 120u, 144u, 168u, 192u, 240u, 288u, 480u}) {
        for (LONG v = -3001; v <= 3001; v += 37) {
            const RECT rect = {v, -v / 2, v + 640 + v % 11, -v / 2 + 480 + v % 7};
            const RememberedWindowRead read =
                readRememberedWindow(rememberedWindowText(rememberWindowRect(rect, dpi, 0, 0)));
            ASSERT_TRUE(read.window) << read.problem;
            ASSERT_EQ(text(startRectInPixels(*read.window, dpi)), text(rect)) << dpi;
        }
    }
}

// After the display's scale changed, the window comes back at its place in pixels and at its
// size as the player sees it.
TEST(RememberedWindow, AChangedScaleKeepsThePlaceAndTheSeenSize) {
    const RememberedWindow window = rememberWindowRect({100, 80, 900, 680}, 96, false, false);
    EXPECT_EQ(text(startRectInPixels(window, 96)), "100,80,900,680");
    EXPECT_EQ(text(startRectInPixels(window, 144)), "100,80,1300,980");
    EXPECT_EQ(text(startRectInPixels(rememberWindowRect({300, 150, 1500, 1050}, 144, 0, 0), 96)),
              "300,150,1100,750");
    // A far larger scale is held where coordinates end.
    const RememberedWindow wide = rememberWindowRect({0, 0, 30000, 100}, 96, false, false);
    EXPECT_EQ(text(startRectInPixels(wide, 480)), "0,0,32767,500");
}

TEST(RememberedWindow, EachFaultOfAFileIsNamed) {
    const std::string good =
        R"("x":100,"y":80,"width":800,"height":600,"dpi":96,"maximized":false,"fullscreen":false)";
    // A member of the good file replaced by another value (or removed, with "").
    auto with = [&good](const std::string& member, const std::string& value) {
        std::string body = good;
        const size_t at = body.find("\"" + member + "\":");
        const size_t end = body.find_first_of(",", at) == std::string::npos
                               ? body.size()
                               : body.find_first_of(",", at);
        body.replace(at, end - at, value.empty() ? "\"unused\":0" : "\"" + member + "\":" + value);
        return "{" + body + "}";
    };
    struct Case {
        std::string text;
        const char* problem;  // "" for a good file
    } cases[] = {
        {"{" + good + "}", ""},
        {"{" + good + R"(,"monitor":"DISPLAY2","extra":[1,2]})", ""},
        {"\xEF\xBB\xBF{" + good + "}", ""},
        {"", "not JSON"},
        {"{" + good, "not JSON"},
        {"{" + good + "} x", "not JSON"},
        {"{" + good + "} // note", "not JSON"},
        {"{\"x\":1e400}", "not JSON"},
        {std::string("{\"x\":1\0}", 8), "not JSON"},
        {"\xFF\xFE{\0}\0", "not JSON"},
        {"[]", "not a JSON object"},
        {"null", "not a JSON object"},
        {"\"window\"", "not a JSON object"},
        {with("x", ""), "\"x\" is missing or not a number"},
        {with("y", "\"80\""), "\"y\" is missing or not a number"},
        {with("width", "null"), "\"width\" is missing or not a number"},
        {with("height", "true"), "\"height\" is missing or not a number"},
        {with("dpi", ""), "\"dpi\" is missing or not a whole number"},
        {with("dpi", "96.0"), "\"dpi\" is missing or not a whole number"},
        {with("dpi", "\"96\""), "\"dpi\" is missing or not a whole number"},
        {with("dpi", "0"), "the DPI 0 is out of range"},
        {with("dpi", "-96"), "the DPI -96 is out of range"},
        {with("dpi", "100000"), "the DPI 100000 is out of range"},
        {with("dpi", "18446744073709551615"), "the DPI 18446744073709551615 is out of range"},
        {with("maximized", "1"), "\"maximized\" is missing or not true or false"},
        {with("fullscreen", ""), "\"fullscreen\" is missing or not true or false"},
        {with("fullscreen", "\"false\""), "\"fullscreen\" is missing or not true or false"},
        {with("width", "0"), "the size 0x600 is out of range"},
        {with("height", "-5"), "the size 800x-5 is out of range"},
        {with("width", "0.4"), "the size 0x600 is out of range"},
        {with("width", "1e9"), "the size 1000000000x600 is out of range"},
        {with("height", "32768"), "the size 800x32768 is out of range"},
        {with("x", "40000"), "the position 40000,80 is out of range"},
        {with("y", "-40000"), "the position 100,-40000 is out of range"},
        {with("x", "32000"), "the position 32000,80 is out of range"},
        {with("x", "-1e300"), "the position -1e+300,80 is out of range"},
    };
    for (const Case& c : cases) {
        const RememberedWindowRead read = readRememberedWindow(c.text);
        EXPECT_EQ(read.problem, c.problem) << c.text;
        EXPECT_EQ(read.window.has_value(), *c.problem == '\0') << c.text;
    }
}

}  // namespace
}  // namespace quorvane
