#include <windows.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <string>
#include <vector>

#include "messaging/app_requests.h"
#include "messaging/page_worker.h"
#include "messaging/page_message.h"
#include "messaging/page_reply.h"
#include "messaging/save_requests.h"
#include "manifest/app_config.h"
#include "platform/utf8.h"
#include "tests/support/files.h"
#include "tests/support/temp_dir.h"
#include "window/window_state.h"

namespace quorvane {
namespace {

using testing::TempDir;

std::vector<std::string> replies;

void capture(const std::wstring& json) {
    replies.push_back(wideToUtf8(json));
}

// The page API as the page sees it, with the file worker on its own thread: each message is
// posted, and the answers that come back (at once or from the worker) are collected.
class PageApi : public ::testing::Test {
  protected:
    void SetUp() override {
        replies.clear();
        setReplySink(capture);
        wake_ = CreateEventW(nullptr, FALSE, FALSE, nullptr);
        startPageWorker([event = wake_] { SetEvent(event); });
        saves_ = dir_.path() + L"\\Saved Games\\Sky";
        useSavesFolder(saves_);
        windowState.window = CreateWindowExW(0, L"STATIC", L"page", WS_OVERLAPPEDWINDOW, 10, 10,
                                             300, 200, nullptr, nullptr, nullptr, nullptr);
    }
    void TearDown() override {
        stopPageWorker();
        setReplySink(nullptr);
        DestroyWindow(windowState.window);
        windowState = WindowState{};
        CloseHandle(wake_);
    }

    // Posts |message| and returns the answers that came for it and for what was posted before it,
    // one per line ("" for none): a request posted after it marks the end, since the page worker
    // answers in order.
    std::string ask(const std::string& message) {
        const size_t before = replies.size();
        handlePageMessage(utf8ToWide(message));
        const std::string mark = "sync-" + std::to_string(++asked_);
        handlePageMessage(utf8ToWide(R"({"type":"window.get-state","id":")" + mark + "\"}"));
        const auto synced = [&mark] {
            return !replies.empty() &&
                   replies.back().find("\"id\":\"" + mark + "\"") != std::string::npos;
        };
        for (int i = 0; i < 200 && !synced(); ++i) {
            WaitForSingleObject(wake_, 100);
            runPageWorkerTasks();
        }
        EXPECT_TRUE(synced()) << message.substr(0, 200);
        std::string got;
        for (size_t i = before; i + 1 < replies.size(); ++i)
            got += (got.empty() ? "" : "\n") + replies[i];
        return got;
    }

    TempDir dir_;
    int asked_ = 0;
    std::wstring saves_;
    HANDLE wake_ = nullptr;
};

std::string ok(const std::string& id, const std::string& result) {
    return R"({"type":"reply","id":)" + id + R"(,"ok":true,"result":)" + result + "}";
}
// |text| in quotes, as a JSON string whose characters need no escape.
std::string quoted(const std::string& text) {
    std::string json = "\"";
    json += text;
    json += '"';
    return json;
}

std::string failed(const std::string& id, const std::string& code, const std::string& message) {
    return R"({"type":"reply","id":)" + id + R"(,"ok":false,"error":{"code":")" + code +
           R"(","message":)" + message + "}}";
}

TEST_F(PageApi, EveryMessageWithAnIdIsAnsweredOnceAndOthersNever) {
    const struct {
        std::string message;
        std::string answer;
    } cases[] = {
        {R"({"type":"set-fullscreen","fullscreen":false,"id":7})", ok("7", "null")},
        {R"({"type":"set-fullscreen","fullscreen":false})", ""},
        {R"({"type":"set-fullscreen","id":"x"})", ok(R"("x")", "null")},
        {R"({"type":"nope","id":"a"})",
         failed(R"("a")", "unknown-type", R"("no request type \"nope\"")")},
        {R"({"type":"nope"})", ""},
        {R"({"type":"Saves.read","id":1.5,"name":"a"})",
         failed("1.5", "unknown-type", R"("no request type \"Saves.read\"")")},
        {R"({"id":1})", ""},
        {R"({"type":5,"id":1})", ""},
        {R"({"type":null,"id":1})", ""},
        {R"([{"type":"app.info","id":1}])", ""},
        {R"({"type":"app.info","id":1)", ""},
        {"app.info", ""},
        {R"({"type":"app.info","id":true})",
         failed("true", "bad-request", R"("\"id\" must be a number or a string")")},
        {R"({"type":"app.info","id":null})",
         failed("null", "bad-request", R"("\"id\" must be a number or a string")")},
        {R"({"type":"saves.read","id":1})", failed("1", "bad-request", R"("\"name\" is missing")")},
        {R"({"type":"saves.read","id":1,"name":5})",
         failed("1", "bad-request", R"("\"name\" must be a string")")},
        {R"({"type":"saves.write","id":1,"name":"a"})",
         failed("1", "bad-request", R"("\"text\" is missing")")},
        {R"({"type":"saves.write","id":1,"name":"a","text":null})",
         failed("1", "bad-request", R"("\"text\" must be a string")")},
        {R"({"type":"app.quit","id":1,"code":256})",
         failed("1", "bad-request", R"("\"code\" must be an integer from 0 to 255")")},
        {R"({"type":"app.quit","id":1,"code":-1})",
         failed("1", "bad-request", R"("\"code\" must be an integer from 0 to 255")")},
        {R"({"type":"app.quit","id":1,"code":1.5})",
         failed("1", "bad-request", R"("\"code\" must be an integer from 0 to 255")")},
        {R"({"type":"app.quit","id":1,"code":"3"})",
         failed("1", "bad-request", R"("\"code\" must be an integer from 0 to 255")")},
        {R"({"type":"window.set-size","id":2,"width":"800","height":600})",
         failed("2", "bad-request", R"("\"width\" must be an integer from 0 to 1048576")")},
        {R"({"type":"window.set-size","id":2,"width":800})",
         failed("2", "bad-request", R"("\"height\" is missing")")},
        // Without an id a refused request is dropped as quietly as an unknown one.
        {R"({"type":"saves.read","name":5})", ""},
        {R"({"type":"saves.read","name":"CON"})", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ask(c.message), c.answer) << c.message;
    EXPECT_EQ(requestedExitCode(), 0);
}

TEST_F(PageApi, SaveNamesFollowTheRulesAndABadOneTouchesNothing) {
    const std::string good[] = {"a",     "Slot_1",  "save-2.json", "a.b.c", "x..y",
                                "COM10", "console", "AUXILIARY",   "-_-",   std::string(64, 'n')};
    for (const std::string& name : good) {
        EXPECT_EQ(ask(std::string(R"({"type":"saves.write","id":1,"name":")") + name +
                      R"(","text":"t"})"),
                  ok("1", "null"))
            << name;
    }
    const std::string bad[] = {"",
                               ".hidden",
                               "end.",
                               "a b",
                               "a/b",
                               "a\\\\b",
                               "..",
                               "C:x",
                               "\u00e9t\u00e9",
                               "con",
                               "Con.txt",
                               "NUL",
                               "aux.sav",
                               "com1",
                               "LPT9.x",
                               std::string(65, 'n'),
                               "a*",
                               "a\\u0000b"};
    for (const std::string& name : bad) {
        const std::string answer =
            ask(R"({"type":"saves.write","id":2,"name":")" + name + R"(","text":"t"})");
        EXPECT_NE(answer.find(R"("ok":false,"error":{"code":"bad-name","message":)"),
                  std::string::npos)
            << name << ": " << answer;
    }
    EXPECT_EQ(
        ask(R"({"type":"saves.read","id":3,"name":"con"})"),
        failed(
            "3", "bad-name",
            R"j("\"con\" is not a save name (1 to 64 of A-Z a-z 0-9 . _ -, not starting or ending with a dot, not a device name)")j"));
    EXPECT_EQ(
        ask(R"({"type":"saves.remove","id":4,"name":".x"})").find("bad-name") != std::string::npos,
        true);
    // Only the good names reached the disk.
    const std::string list = ask(R"({"type":"saves.list","id":5})");
    for (const std::string& name : good)
        EXPECT_NE(list.find("\"name\":\"" + name + "\""), std::string::npos) << name;
    EXPECT_EQ(std::count(list.begin(), list.end(), '{'), 1 + 10);
}

TEST_F(PageApi, SavesAreThePagesTextExactlyAndListedByName) {
    // ASCII, accents, an emoji (a surrogate pair in the page), a line break and a NUL.
    const std::string text = "caf\xC3\xA9 \xF0\x9F\x8E\xAE line\nnext \\u0000 end";
    const std::string bytes =
        "caf\xC3\xA9 \xF0\x9F\x8E\xAE line\nnext " + std::string(1, '\0') + " end";
    const std::string json = "caf\xC3\xA9 \xF0\x9F\x8E\xAE line\\nnext \\u0000 end";
    EXPECT_EQ(ask(R"({"type":"saves.read","id":1,"name":"slot1"})"), ok("1", "null"));
    EXPECT_EQ(ask(R"({"type":"saves.list","id":2})"), ok("2", "[]"));
    EXPECT_EQ(ask(R"({"type":"saves.write","id":3,"name":"slot1","text":")" + json + "\"}"),
              ok("3", "null"));
    EXPECT_EQ(testing::readFile(saves_ + L"\\slot1"), bytes);
    EXPECT_EQ(ask(R"({"type":"saves.read","id":4,"name":"slot1"})"),
              ok("4", quoted("caf\xC3\xA9 \xF0\x9F\x8E\xAE line\\nnext \\u0000 end")));
    EXPECT_EQ(ask(R"({"type":"saves.write","id":5,"name":"A-first","text":""})"), ok("5", "null"));
    const std::string list = ask(R"({"type":"saves.list","id":6})");
    const std::regex listed(
        R"(\{"type":"reply","id":6,"ok":true,"result":\[\{"name":"A-first","size":0,"modified":"20\d\d-\d\d-\d\dT\d\d:\d\d:\d\dZ"\},\{"name":"slot1","size":)" +
        std::to_string(bytes.size()) + R"(,"modified":"20\d\d-\d\d-\d\dT\d\d:\d\d:\d\dZ"\}\]\})");
    EXPECT_TRUE(std::regex_match(list, listed)) << list;
    EXPECT_EQ(ask(R"({"type":"saves.remove","id":7,"name":"SLOT1"})"), ok("7", "true"));
    EXPECT_EQ(ask(R"({"type":"saves.remove","id":8,"name":"slot1"})"), ok("8", "false"));
    EXPECT_FALSE(testing::fileExists(saves_ + L"\\slot1"));
}

TEST_F(PageApi, RequestsOnOneSaveCompleteInTheOrderPosted) {
    // Posted together, before any answer: the worker keeps their order.
    for (int i = 0; i < 20; ++i) {
        handlePageMessage(utf8ToWide(R"({"type":"saves.write","id":)" + std::to_string(2 * i) +
                                     R"(,"name":"s","text":")" +
                                     std::string(100000 + i, 'a' + i % 26) + "\"}"));
        handlePageMessage(utf8ToWide(R"({"type":"saves.read","id":)" + std::to_string(2 * i + 1) +
                                     R"(,"name":"s"})"));
    }
    // The list's own answer comes last; before it, each write and the read that follows it.
    const std::vector<std::string> answers =
        testing::splitLines(ask(R"({"type":"saves.list","id":"last"})"));
    ASSERT_EQ(answers.size(), 41u);
    for (int i = 0; i < 20; ++i) {
        EXPECT_EQ(answers[2 * i], ok(std::to_string(2 * i), "null"));
        EXPECT_EQ(answers[2 * i + 1],
                  ok(std::to_string(2 * i + 1), quoted(std::string(100000 + i, 'a' + i % 26))))
            << i;
    }
}

TEST_F(PageApi, LimitsAndWhatTheSystemRefuses) {
    // 16 MiB of UTF-8 is the most; one byte more touches nothing.
    const std::string most(16u << 20, 'x');
    EXPECT_EQ(ask(R"({"type":"saves.write","id":1,"name":"big","text":")" + most + "\"}"),
              ok("1", "null"));
    EXPECT_EQ(
        ask(R"({"type":"saves.write","id":2,"name":"big","text":")" + most + "y\"}"),
        failed("2", "too-large", R"j("the text is 16777217 bytes of UTF-8 (at most 16777216)")j"));
    EXPECT_EQ(testing::readFile(saves_ + L"\\big").size(), most.size());
    // A file the player made bigger by hand is refused on reading too.
    testing::writeFile(saves_ + L"\\huge", most + "z");
    EXPECT_EQ(ask(R"({"type":"saves.read","id":3,"name":"huge"})"),
              failed("3", "too-large", R"j("\"huge\" holds 16777217 bytes (at most 16777216)")j"));
    testing::writeFile(saves_ + L"\\latin1", "caf\xE9");
    EXPECT_EQ(ask(R"({"type":"saves.read","id":4,"name":"latin1"})"),
              failed("4", "io", R"("\"latin1\" is not UTF-8 text")"));
    // A folder under a save's name: the system's own words come back (Windows says "Access is
    // denied", Wine "Access denied").
    CreateDirectoryW((saves_ + L"\\taken").c_str(), nullptr);
    const std::string refused =
        R"({"type":"reply","id":5,"ok":false,"error":{"code":"io","message":"\"taken\" cannot be written: error 5: )";
    const std::string answer = ask(R"({"type":"saves.write","id":5,"name":"taken","text":"t"})");
    EXPECT_EQ(answer.substr(0, refused.size()), refused);
    // 1,000 saves at most: a new one is refused, an existing one may still be written.
    for (int i = 0; i < 996; ++i)
        testing::writeFile(saves_ + L"\\n" + std::to_wstring(i), "");
    EXPECT_EQ(ask(R"({"type":"saves.write","id":6,"name":"n-last","text":"t"})"), ok("6", "null"));
    EXPECT_EQ(ask(R"({"type":"saves.write","id":7,"name":"n-more","text":"t"})"),
              failed("7", "quota", R"j("there are 1000 saves already (at most 1000)")j"));
    EXPECT_EQ(ask(R"({"type":"saves.write","id":8,"name":"N-LAST","text":"u"})"), ok("8", "null"));
}

TEST_F(PageApi, TemporaryFilesOfAKilledRunAreRemovedAndNeverListed) {
    testing::writeFile(saves_ + L"\\.slot.77-1.quorvane-tmp", "half");
    testing::writeFile(saves_ + L"\\slot", "whole");
    testing::writeFile(saves_ + L"\\desktop ini", "not a save name");
    useSavesFolder(saves_);
    const std::string list = ask(R"({"type":"saves.list","id":1})");
    EXPECT_NE(list.find(R"([{"name":"slot","size":5,)"), std::string::npos) << list;
    EXPECT_EQ(list.find("desktop"), std::string::npos);
    EXPECT_FALSE(testing::fileExists(saves_ + L"\\.slot.77-1.quorvane-tmp"));
    EXPECT_TRUE(testing::fileExists(saves_ + L"\\desktop ini"));
}

TEST_F(PageApi, AppInfoAndQuit) {
    appConfig.name = L"Sky \u00c9t\u00e9";
    appConfig.version = L"1.2.0";
    int count = 0;
    LPWSTR* words = CommandLineToArgvW(GetCommandLineW(), &count);
    nlohmann::json args = nlohmann::json::array();
    for (int i = 1; i < count; ++i)
        args.push_back(wideToUtf8(words[i]));
    LocalFree(words);
    const std::string info = ask(R"({"type":"app.info","id":1})");
    const std::string expectedStart = R"({"type":"reply","id":1,"ok":true,"result":{"name":"Sky )"
                                      "\xC3\x89t\xC3\xA9"
                                      R"(","version":"1.2.0","shellVersion":")" +
                                      std::string(QV_VERSION) + R"(","args":)" + args.dump() +
                                      R"(,"locale":")";
    EXPECT_EQ(info.substr(0, expectedStart.size()), expectedStart);
    const std::regex rest(
        R"([a-z]{2,3}(-[A-Za-z0-9]+)*","savesFolder":".*\\\\Saved Games\\\\Sky"\}\})");
    EXPECT_TRUE(std::regex_match(info.substr(std::min(info.size(), expectedStart.size())), rest))
        << info;
    appConfig.version.clear();
    EXPECT_NE(ask(R"({"type":"app.info","id":2})").find(R"("version":null,)"), std::string::npos);

    EXPECT_EQ(ask(R"({"type":"app.quit","id":3,"code":42})"), ok("3", "null"));
    EXPECT_EQ(requestedExitCode(), 42);
    MSG message = {};
    EXPECT_TRUE(PeekMessageW(&message, windowState.window, WM_CLOSE, WM_CLOSE, PM_REMOVE));
    EXPECT_EQ(ask(R"({"type":"app.quit"})"), "");
    EXPECT_EQ(requestedExitCode(), 0);
}

}  // namespace
}  // namespace quorvane
