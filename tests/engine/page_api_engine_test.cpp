// The page API from a real page: saves as files a second launch reads back, app and window calls,
// quitting with a code, and what the engine's log (and so preview) shows of it.
#include <gtest/gtest.h>

#include <string>

#include "tests/engine/engine_run.h"
#include "tests/engine/real_page.h"
#include "tests/standin/standin_client.h"
#include "tests/support/files.h"
#include "tests/support/run_log_lines.h"
#include "tests/support/temp_dir.h"

namespace quorvane::testing {
namespace {

// The page's 2 MiB save, made as the page makes it.
std::string bigSave() {
    const std::string unit =
        "level 7, score 123456; caf\xC3\xA9 \xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x8E\xAE\n";
    const size_t count = (2 * 1024 * 1024 - 64 + unit.size() - 1) / unit.size();
    std::string text;
    for (size_t i = 0; i < count; ++i)
        text += unit;
    return text;
}

TEST_F(RealPage, SavesAreFilesThatTheNextLaunchReadsBack) {
    const std::wstring userData = userDataFolderFor(L"Engine Saves");
    removeTree(userData);
    EngineApp app(R"({"name": "Engine Saves", "version": "3.1.4", "saves-folder": "local",
                      "window": {"width": 800, "height": 600}})",
                  L"saves");
    EngineRun first = runInEngine(app, "[]", nullptr, L"--level \"two words\"");
    ASSERT_FALSE(first.run.timedOut) << first.text();
    EXPECT_EQ(first.lastTitle(), "DONE: PASS (first)") << first.text();
    EXPECT_EQ(first.run.exitCode, 7u);

    const std::wstring saves = userData + L"\\saves\\";
    EXPECT_EQ(readFile(saves + L"accents"),
              "caf\xC3\xA9 \xC3\xBCn\xC3\xAF"
              "c\xC3\xB6"
              "d\xC3\xA9 \xC3\x85ngstr\xC3\xB6m");
    EXPECT_EQ(readFile(saves + L"emoji"),
              "\xF0\x9F\x8E\xAE\xF0\x9F\x91\xBE game \xE2\x9D\xA4\xEF\xB8\x8F");
    EXPECT_EQ(readFile(saves + L"big"), bigSave());
    EXPECT_FALSE(fileExists(saves + L"ascii"));

    // The log shows each request's type and each answer's outcome, never a save's text.
    EXPECT_EQ(first.linesStartingWith("page request saves.write id=\"quorvane:").size(), 7u)
        << first.text();
    bool badName = false;
    for (const std::string& line : first.log) {
        EXPECT_EQ(line.find("hello, world"), std::string::npos) << line;
        EXPECT_EQ(line.find("score 123456"), std::string::npos) << line.substr(0, 80);
        badName = badName || (line.starts_with("page reply id=\"quorvane:") &&
                              line.ends_with(" error \"bad-name\""));
    }
    EXPECT_TRUE(badName) << first.text();

    EngineRun second = runInEngine(app, "[]", nullptr, L"--level \"two words\"");
    EXPECT_EQ(second.lastTitle(), "DONE: PASS (second)") << second.text();
    EXPECT_EQ(second.run.exitCode, 9u);
    removeTree(userData);
}

}  // namespace
}  // namespace quorvane::testing
