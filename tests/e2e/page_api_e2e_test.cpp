#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "messaging/page_api_script.h"
#include "tests/e2e/e2e_support.h"
#include "tests/support/files.h"

namespace quorvane::testing {
namespace {

const std::string kWait = R"({"do":"wait","ms":300})";

std::string reply(const std::string& id, const std::string& result) {
    return R"(PostWebMessageAsJson {"type":"reply","id":)" + id + R"(,"ok":true,"result":)" +
           result + "}";
}

// The page API end to end: the shell adds its script before the first navigation, answers the
// app's requests (saves on disk in the manifest's folder, the window, quitting with a code) and
// never a document of another origin, a message posted as a JSON value, or one without an id.
TEST(PageApiEndToEnd, TheAppsRequestsAreAnsweredAndNobodyElses) {
    ShellApp app(R"({"name":"api","version":"2.0.1","saves-folder":"local",
                     "window":{"width":800,"height":500}})");
    const std::string page = kOrigin + "index.html";
    RunResult run = runShell(
        app,
        stepList({
            webMessage(page, R"({"type":"saves.write","id":1,"name":"slot","text":"caf\u00e9"})"),
            webMessage("https://quorvane.localhost.example/",
                       R"({"type":"saves.write","id":2,"name":"evil","text":"x"})"),
            webMessage(page, R"({"type":"saves.write","id":3,"name":"evil","text":"x"})",
                       "messageJson"),
            webMessage(page, R"({"type":"saves.write","name":"quiet","text":"q"})"),
            webMessage(page, R"({"type":"saves.list","id":"list"})"),
            kWait,
            webMessage(page, R"({"type":"window.set-size","id":5,"width":640,"height":400})"),
            webMessage(page, R"({"type":"window.get-state","id":6})"),
            webMessage(page, R"({"type":"saves.read","id":7,"name":"CON"})"),
            webMessage(page, R"({"type":"app.quit","id":8,"code":42})"),
        }));
    EXPECT_EQ(run.exitCode, 42u);
    EXPECT_EQ(linesBetween(run, "add ProcessFailed", "Navigate"),
              (std::vector<std::string>{"add ProcessFailed token=null",
                                        "AddScriptToExecuteOnDocumentCreated length=" +
                                            std::to_string(pageApiScript().size()),
                                        "Navigate https://quorvane.localhost/index.html"}));
    const std::vector<std::string> posted = run.linesStartingWith("PostWebMessageAsJson");
    ASSERT_EQ(posted.size(), 6u) << run.transcript.size();
    EXPECT_EQ(posted[0], reply("1", "null"));
    const std::regex listed(
        R"(PostWebMessageAsJson \{"type":"reply","id":"list","ok":true,"result":\[\{"name":"quiet","size":1,"modified":"[0-9TZ:-]{20}"\},\{"name":"slot","size":5,"modified":"[0-9TZ:-]{20}"\}\]\})");
    EXPECT_TRUE(std::regex_match(posted[1], listed)) << posted[1];
    EXPECT_EQ(posted[2], reply("5", "null"));
    EXPECT_EQ(posted[3], reply("6", R"({"fullscreen":false,"width":640,"height":400})"));
    EXPECT_EQ(
        posted[4],
        R"j(PostWebMessageAsJson {"type":"reply","id":7,"ok":false,"error":{"code":"bad-name","message":"\"CON\" is not a save name (1 to 64 of A-Z a-z 0-9 . _ -, not starting or ending with a dot, not a device name)"}})j");
    EXPECT_EQ(posted[5], reply("8", "null"));

    const std::wstring saves = run.userDataFolder + L"\\saves\\";
    EXPECT_EQ(readFile(saves + L"slot"), "caf\xC3\xA9");
    EXPECT_EQ(readFile(saves + L"quiet"), "q");
    EXPECT_FALSE(fileExists(saves + L"evil"));
}

}  // namespace
}  // namespace quorvane::testing
