// The shell against a failing browser and against its own crash: what it does for each kind of
// failed browser process, when it gives up, the dump and log line a crash leaves, and the log of
// a run whose log cannot be written.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <string>
#include <vector>

#include "tests/e2e/e2e_support.h"
#include "tests/support/crash_dumps.h"
#include "tests/support/files.h"
#include "tests/support/run_log_lines.h"
#include "tests/support/temp_dir.h"

namespace quorvane::testing {
namespace {

const char kStoppedWorking[] =
    "The game stopped working: its browser failed again and again. Start the game again to "
    "continue.";

std::string failure(int kind, int reason = 3, int exitCode = 1, bool details = true) {
    return R"({"do":"processFailed","kind":)" + std::to_string(kind) + R"(,"reason":)" +
           std::to_string(reason) + R"(,"exitCode":)" + std::to_string(exitCode) +
           R"(,"details":)" + (details ? "true" : "false") + "}";
}

// A failure of |kind| raised by the view the last browser exit replaced.
std::string fromReplacedView(int kind) {
    std::string step = failure(kind);
    step.insert(step.size() - 1, R"(,"fromReplacedView":true)");
    return step;
}

// The transcript lines after the |n|th line starting with |from| (counting from 0), up to the
// next line starting with one of |until|.
std::vector<std::string> after(const RunResult& run, const std::string& from, size_t n,
                               const std::vector<std::string>& until) {
    std::vector<std::string> lines;
    size_t seen = 0;
    bool inside = false;
    for (const std::string& line : run.transcript) {
        if (inside) {
            for (const std::string& end : until) {
                if (line.starts_with(end))
                    return lines;
            }
            lines.push_back(line);
        } else if (line.starts_with(from) && seen++ == n) {
            inside = true;
        }
    }
    return lines;
}

// One run answers every kind, each row's failure raised in turn: what the shell did to the
// runtime before the next step, and what it logged. A failure that is only logged leads to no
// call at all; after a reload or a restart the first calls are checked.
TEST(ProcessFailures, EachKindGetsItsAnswer) {
    struct Row {
        std::string step;
        std::string logged;
        std::vector<std::string> then;  // the shell's calls before the next step
    };
    const std::vector<std::string> reload = {
        "Reload", "NavigationStarting https://quorvane.localhost/index.html userInitiated=0",
        "navigation allowed"};
    const std::vector<Row> rows = {
        {failure(2, 1, 0), "process failed kind=2 (render process unresponsive) reason=1 "
                           "(unresponsive) exit code=0", {}},
        {failure(3, 3, -1073741819), "process failed kind=3 (frame render process exited) "
                                     "reason=3 (crashed) exit code=-1073741819", {}},
        {failure(4, 5, 7), "process failed kind=4 (utility process exited) reason=5 (out of "
                           "memory) exit code=7", {}},
        {failure(6, 0, 0), "process failed kind=6 (GPU process exited) reason=0 (unexpected) "
                           "exit code=0", {}},
        {failure(42, 11, 9), "process failed kind=42 (not known to this version) reason=11 (not "
                             "known to this version) exit code=9", {}},
        {failure(1, 3, 1, false), "process failed kind=1 (render process exited) reason=unknown "
                                  "exit code=unknown",
         reload},
        {failure(0, 2, 1), "process failed kind=0 (browser process exited) reason=2 "
                           "(terminated) exit code=1",
         {"controller Close"}},
        // Late events of the view just replaced: its page is not reloaded, and its browser's exit
        // neither makes another browser nor counts as a second exit (which would give up).
        {fromReplacedView(1), "process failed kind=1 (render process exited) reason=3 (crashed) "
                              "exit code=1", {}},
        {fromReplacedView(0), "process failed kind=0 (browser process exited) reason=3 "
                              "(crashed) exit code=1", {}},
        // The new view's own renderer is recovered as before.
        {failure(1), "process failed kind=1 (render process exited) reason=3 (crashed) exit code=1",
         reload},
    };
    std::vector<std::string> steps;
    for (const Row& row : rows) {
        steps.push_back(row.step);
        steps.push_back(R"({"do":"wait","ms":150})");
    }
    steps.push_back(R"({"do":"close"})");
    ShellApp app(R"({"name":"process-failures"})");
    RunResult run = runShell(app, stepList(steps));
    ASSERT_FALSE(run.timedOut);
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_TRUE(run.messageBoxes.empty());
    std::vector<std::string> failuresLogged;
    for (const std::string& line : runLogIn(run.userDataFolder)) {
        if (line.starts_with("process failed"))
            failuresLogged.push_back(line);
    }
    std::string transcript;
    for (const std::string& line : run.transcript)
        transcript += line + "\n";
    ASSERT_EQ(failuresLogged.size(), rows.size()) << transcript;
    for (size_t i = 0; i < rows.size(); ++i) {
        SCOPED_TRACE(rows[i].step);
        EXPECT_EQ(failuresLogged[i], rows[i].logged);
        std::vector<std::string> then = after(run, "ProcessFailed ", i, {"wait "});
        if (!rows[i].then.empty())
            then.resize(std::min(then.size(), rows[i].then.size()));
        EXPECT_EQ(then, rows[i].then);
    }
    // The browser that exited is made again as at start-up, and the steps go on in its view.
    EXPECT_EQ(run.linesStartingWith("CreateCoreWebView2EnvironmentWithOptions").size(), 2u);
    EXPECT_EQ(run.linesStartingWith("Navigate https://quorvane.localhost/index.html").size(), 2u);
    std::vector<std::string> start =
        linesBetween(run, "CreateCoreWebView2EnvironmentWithOptions", "Navigate");
    start.pop_back();
    EXPECT_EQ(after(run, "controller Close", 0, {"Navigate"}), start);
    EXPECT_TRUE(run.hasLine("WindowCloseRequested"));
}

// Giving up shows one box over the game's window, then ends the run; failures after it are only
// logged. The box comes before the window goes: the window's destruction posts the quit message,
// and a box shown with WM_QUIT pending closes at once, on Windows as in Wine.
TEST(ProcessFailures, RecoveryStopsWhenItDoesNotLast) {
    const struct {
        const char* what;
        std::vector<std::string> steps;
        std::vector<std::string> logged;  // from giving up to the end
    } cases[] = {
        {"three renderer exits, then one of each kind",
         {failure(1), R"({"do":"wait","ms":100})", failure(1), R"({"do":"wait","ms":100})",
          failure(1), failure(1), failure(0), R"({"do":"wait","ms":2000})"},
         {"giving up: the page's process exited 3 times within 60 s",
          "process failed kind=1 (render process exited) reason=3 (crashed) exit code=1",
          "process failed kind=0 (browser process exited) reason=3 (crashed) exit code=1",
          "exit code=2"}},
        {"two browser exits",
         {failure(0), failure(0), R"({"do":"wait","ms":2000})"},
         {"giving up: the browser exited twice within 60 s", "exit code=2"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ShellApp app(R"({"name":"gives-up","window":{"title":"Sky Puzzle"}})");
        RunResult run = runShell(app, stepList(c.steps));
        ASSERT_FALSE(run.timedOut);
        EXPECT_EQ(run.exitCode, 2u);
        ASSERT_EQ(run.messageBoxes.size(), 1u);
        EXPECT_EQ(narrow(run.messageBoxes[0].caption), "Sky Puzzle");
        EXPECT_EQ(boxText(run.messageBoxes[0]), kStoppedWorking);
        EXPECT_EQ(run.messageBoxes[0].icon, MessageBoxIcon::Error);
        EXPECT_EQ(run.messageBoxes[0].windowsBeside, std::vector<std::wstring>{L"WindowsQuorvane"});
        const std::vector<std::string> log = runLogIn(run.userDataFolder);
        ASSERT_GE(log.size(), c.logged.size());
        EXPECT_EQ(std::vector<std::string>(log.end() - c.logged.size(), log.end()), c.logged);
    }
}

TEST(Crash, AShellThatCrashesLeavesADumpALogLineAndTheExceptionCode) {
    const std::wstring folder = userDataFolderFor(L"crashing");
    removeTree(folder);
    // Six dumps of earlier crashes: with this one, the newest five stay.
    const std::vector<std::wstring> earlier = {
        L"20250101T000000.000Z.dmp", L"20250102T000000.000Z.dmp", L"20250103T000000.000Z.dmp",
        L"20250104T000000.000Z.dmp", L"20250105T000000.000Z.dmp", L"20250106T000000.000Z.dmp"};
    for (const std::wstring& name : earlier)
        writeFile(folder + L"\\crashes\\" + name, "old");
    ShellApp app(R"({"name":"crashing"})");
    // Wine's minidump writer takes seconds, many more on a loaded machine.
    RunOptions options;
    options.scenario = R"({"steps":[{"do":"processFailed","badArgs":true},{"do":"close"}]})";
    options.timeoutMs = 100000;
    RunResult run = runApp(app.folder, options);
    ASSERT_FALSE(run.timedOut);
    EXPECT_EQ(run.exitCode, 0xC0000005u);
    EXPECT_TRUE(run.messageBoxes.empty());
    EXPECT_FALSE(run.hasLine("WindowCloseRequested"));

    const std::vector<std::wstring> dumps = crashDumpsIn(folder);
    ASSERT_EQ(dumps.size(), 5u);
    EXPECT_EQ(std::vector<std::wstring>(dumps.begin(), dumps.begin() + 4),
              std::vector<std::wstring>(earlier.begin() + 2, earlier.end()));
    const std::wstring dump = dumps.back();
    EXPECT_TRUE(std::regex_match(narrow(dump), std::regex(R"(\d{8}T\d{6}\.\d{3}Z\.dmp)")))
        << narrow(dump);
    EXPECT_EQ(dumpedExceptionCode(readFile(folder + L"\\crashes\\" + dump)), 0xC0000005u);

    // The bad pointer is read through: the fault is in the shell's own code.
    const std::vector<std::string> log = runLogIn(folder);
    ASSERT_FALSE(log.empty());
    const std::regex crashLine(
        R"(crash exception=0xC0000005 address=0x[0-9A-F]{16} \(Quorvane\.exe\+0x[0-9A-F]{8}\) )"
        R"(reading 0x0000000000000010 dump=crashes\\)" +
        narrow(dump).substr(0, 20) + R"(\.dmp)");
    EXPECT_TRUE(std::regex_match(log.back(), crashLine)) << log.back();
}

TEST(RunLog, AnOrdinaryRunLeavesItsLines) {
    ShellApp app(R"({"name":"log-lines","settings":{"distribution-mode":"evergreen"}})");
    RunResult run = runShell(
        app, stepList({R"({"do":"navigate","uri":"https://user:pw@example.com:8443/a?secret=1"})",
                       R"({"do":"newWindow","uri":"ms-settings:privacy"})", R"({"do":"close"})"}));
    ASSERT_EQ(run.exitCode, 0u);
    EXPECT_EQ(runLogIn(run.userDataFolder),
              (std::vector<std::string>{
                  startLogLine(app.folder, "log-lines", "evergreen"),
                  "runtime found version=120.0.2210.91 path=" +
                      narrow(app.folder / L"WebView2Loader.dll"),
                  defaultSavesLogLine(L"log-lines"), "environment hr=0x00000000",
                  "controller hr=0x00000000", "navigation refused https://example.com", "new window refused ms-settings:",
                  "exit code=0"}));
}

TEST(RunLog, AFolderInTheLogsPlaceChangesNothing) {
    const std::wstring folder = userDataFolderFor(L"unwritable-log");
    removeTree(folder);
    CreateDirectoryW(folder.c_str(), nullptr);
    CreateDirectoryW((folder + L"\\quorvane.log").c_str(), nullptr);
    ShellApp app(R"({"name":"unwritable-log"})");
    RunResult run = runShell(app, R"([{"do":"close"}])");
    EXPECT_FALSE(run.timedOut);
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_TRUE(run.messageBoxes.empty());
    EXPECT_TRUE(run.hasLine("Navigate https://quorvane.localhost/index.html"));
    EXPECT_TRUE(run.hasLine("WindowCloseRequested"));
    EXPECT_NE(GetFileAttributesW((folder + L"\\quorvane.log").c_str()) & FILE_ATTRIBUTE_DIRECTORY,
              0u);
    EXPECT_FALSE(fileExists(folder + L"\\quorvane.old.log"));
}

}  // namespace
}  // namespace quorvane::testing
