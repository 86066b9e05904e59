#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/e2e/e2e_support.h"
#include "tests/e2e/scheme_handlers.h"
#include "tests/standin/standin_client.h"
#include "tests/support/files.h"
#include "tests/support/run_log_lines.h"
#include "tests/support/temp_dir.h"

namespace quorvane::testing {
namespace {

TEST(NewWindowLinks, WebAndMailLinksGoToTheirProgramsAndEverythingElseIsDropped) {
    TempDir logFolder;
    const std::wstring log = logFolder / L"links.txt";
    SchemeHandlers handlers(
        {L"http", L"https", L"mailto", L"ms-settings", L"search-ms", L"ms-msdt", L"quorvanetest"},
        log);
    const std::vector<std::string> handedOver = {
        "https://example.com/credits", "http://example.com/page?x=1", "mailto:team@example.com",
        "https://quorvane.localhost/index.html"};
    const std::vector<std::string> dropped = {"ms-settings:privacy", "search-ms:query=x",
                                              "ms-msdt:/id PCWDiagnostic", "quorvanetest:run",
                                              "file:///C:/windows/system32/winver.exe"};
    std::string steps = "[";
    for (const auto* list : {&handedOver, &dropped}) {
        for (const std::string& uri : *list) {
            steps += R"({"do":"newWindow","uri":")" + uri + R"(","userInitiated":true},)";
        }
    }
    steps += R"({"do":"wait","ms":1500},{"do":"close"}])";
    ShellApp app(R"({"name":"links"})");
    RunResult run = runShell(app, steps);
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_EQ(run.linesStartingWith("new window handled="),
              std::vector<std::string>(handedOver.size() + dropped.size(),
                                       "new window handled=1 newWindow=none"));
    // The programs start asynchronously: give the last of them a moment to write.
    std::vector<std::string> recorded;
    for (int i = 0; i < 50 && recorded.size() < handedOver.size(); ++i) {
        Sleep(100);
        recorded = recordedLinks(log);
    }
    std::sort(recorded.begin(), recorded.end());
    std::vector<std::string> expected = handedOver;
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(recorded, expected);
    // The log names each link by its scheme and host only (after the start and runtime lines).
    const std::vector<std::string> logged = runLogIn(run.userDataFolder);
    ASSERT_GE(logged.size(), 2u);
    EXPECT_EQ(std::vector<std::string>(logged.begin() + 2, logged.end()),
              (std::vector<std::string>{
                  defaultSavesLogLine(L"links"), "environment hr=0x00000000",
                  "controller hr=0x00000000",
                  "new window handed over https://example.com",
                  "new window handed over http://example.com", "new window handed over mailto:",
                  "new window handed over https://quorvane.localhost",
                  "new window refused ms-settings:", "new window refused search-ms:",
                  "new window refused ms-msdt:", "new window refused quorvanetest:",
                  "new window refused file://", "exit code=0"}));
}

}  // namespace
}  // namespace quorvane::testing
