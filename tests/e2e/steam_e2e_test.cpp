// Steam in the built shell, with a stand-in steam_api64.dll (tests/steam) beside it: nothing is
// loaded without the opt-in, the game starts whatever Steam says, a restart through Steam ends
// the run at once, and on every way out Steam's shutdown is the run's last call.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/e2e/e2e_support.h"
#include "tests/support/files.h"
#include "tests/support/process_windows.h"
#include "tests/support/run_log_lines.h"

namespace quorvane::testing {
namespace {

const std::string kPage = kOrigin + "index.html";

// Sets the stand-in's answers (QV_STEAM_STANDIN) for the shells this process starts.
class SteamAnswers {
  public:
    explicit SteamAnswers(const wchar_t* json) {
        SetEnvironmentVariableW(L"QV_STEAM_STANDIN", json);
    }
    ~SteamAnswers() { SetEnvironmentVariableW(L"QV_STEAM_STANDIN", nullptr); }
    SteamAnswers(const SteamAnswers&) = delete;
    SteamAnswers& operator=(const SteamAnswers&) = delete;
};

// |library|: a Unix build path, copied in as steam_api64.dll (null: none).
void placeSteamLibrary(const ShellApp& app, const char* library) {
    if (library != nullptr) {
        ASSERT_TRUE(CopyFileW(buildOutputPath(library).c_str(),
                              (app.folder / L"steam_api64.dll").c_str(), FALSE));
    }
}

std::string request(const std::string& members) {
    return webMessage(kPage, R"({"id":1,"type":)" + members + "}");
}

std::string answer(const std::string& result) {
    return R"(PostWebMessageAsJson {"type":"reply","id":1,"ok":true,"result":)" + result + "}";
}

bool isSteamLine(const std::string& line) {
    return line.starts_with("steam_api64 ") || line.starts_with("SteamAPI_") ||
           line.starts_with("ISteam");
}

// The calls the shell made to the Steam library, callbacks left out.
std::vector<std::string> steamCalls(const RunResult& run) {
    std::vector<std::string> calls;
    for (const std::string& line : run.transcript) {
        if (isSteamLine(line) && !line.starts_with("SteamAPI_RunCallbacks"))
            calls.push_back(line);
    }
    return calls;
}

std::string transcriptText(const RunResult& run) {
    std::string text;
    for (const std::string& line : run.transcript)
        text += line + "\n";
    return text;
}

// Without a usable "steam" member the library beside the shell is never loaded (the stand-in
// records its DllMain), and the page hears why.
TEST(Steam, NothingIsLoadedWithoutTheOptIn) {
    const struct {
        const char* steam;   // the manifest's member, if any
        const char* reason;  // JSON text
        const char* logged;  // the log's line, if any
    } cases[] = {
        {"", R"("no \"steam\" in package.json")", nullptr},
        {R"(,"steam":true)", R"("\"steam\" is not an object but boolean")",
         R"(steam off: "steam" is not an object but boolean)"},
        {R"(,"steam":{"app-id":"480"})",
         R"("\"app-id\" in \"steam\" is not a positive integer up to 4294967295: \"480\"")",
         R"(steam off: "app-id" in "steam" is not a positive integer up to 4294967295: "480")"},
        {R"(,"steam":{"app-id":0})",
         R"("\"app-id\" in \"steam\" is not a positive integer up to 4294967295: 0")",
         R"(steam off: "app-id" in "steam" is not a positive integer up to 4294967295: 0)"},
        {R"(,"steam":{"appid":480})", R"("\"steam\" has no \"app-id\"")",
         R"(steam off: "steam" has no "app-id")"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.steam);
        ShellApp app(std::string(R"({"name":"steam-opt-in")") + c.steam + "}");
        placeSteamLibrary(app, QV_STEAM_STANDIN_CURRENT);
        RunResult run =
            runShell(app, stepList({request(R"("steam.status")"), R"({"do":"wait","ms":200})",
                                    request(R"("steam.store")"), R"({"do":"close"})"}));
        EXPECT_EQ(run.exitCode, 0u);
        EXPECT_EQ(steamCalls(run), std::vector<std::string>{}) << transcriptText(run);
        const std::vector<std::string> posted = run.linesStartingWith("PostWebMessageAsJson");
        ASSERT_EQ(posted.size(), 2u) << transcriptText(run);
        EXPECT_EQ(posted[0], answer(std::string(R"({"available":false,"reason":)") + c.reason +
                                    R"(,"appId":null,"steamId":null,"name":null,)"
                                    R"("language":null,"steamDeck":null})"));
        EXPECT_EQ(posted[1],
                  std::string(R"(PostWebMessageAsJson {"type":"reply","id":1,"ok":false,)"
                              R"("error":{"code":"steam-unavailable","message":"Steam is )"
                              R"(unavailable: )") +
                      std::string(c.reason).substr(1) + "}}");
        std::vector<std::string> steamLog;
        for (const std::string& line : runLogIn(run.userDataFolder)) {
            if (line.starts_with("steam"))
                steamLog.push_back(line);
        }
        EXPECT_EQ(steamLog,
                  c.logged ? std::vector<std::string>{c.logged} : std::vector<std::string>{});
    }
}

// With the opt-in, a library that cannot run leaves the game running without Steam; a library
// that did not initialise is never shut down.
TEST(Steam, TheGameStartsWhenSteamCannot) {
    const struct {
        const char* what;
        const char* library;
        const wchar_t* answers;
        const char* reason;  // JSON text
        const char* logged;
        std::vector<std::string> calls;
    } cases[] = {
        {"no library",
         nullptr,
         nullptr,
         R"("no steam_api64.dll")",
         "steam unavailable: no steam_api64.dll",
         {}},
        {"a library without Steam's exports",
         QV_PLANTED_LIBRARY,
         nullptr,
         R"("steam_api64.dll has no SteamAPI_RestartAppIfNecessary")",
         "steam unavailable: steam_api64.dll has no SteamAPI_RestartAppIfNecessary",
         {}},
        {"Steam not running",
         QV_STEAM_STANDIN_CURRENT,
         LR"({"init":2,"message":"Steam is not running"})",
         R"("Steam is not running")",
         "steam unavailable: Steam is not running (SteamAPI_InitFlat result 2)",
         {"steam_api64 loaded current", "SteamAPI_RestartAppIfNecessary 480 -> 0",
          R"(SteamAPI_InitFlat -> 2 "Steam is not running")"}},
        {"an older library that fails",
         QV_STEAM_STANDIN_OLDER,
         LR"({"init":1})",
         R"j("Steam could not be initialised (SteamAPI_Init failed)")j",
         "steam unavailable: Steam could not be initialised (SteamAPI_Init failed)",
         {"steam_api64 loaded older", "SteamAPI_RestartAppIfNecessary 480 -> 0",
          "SteamAPI_Init -> 0"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        SteamAnswers answers(c.answers);
        ShellApp app(R"({"name":"steam-cannot","steam":{"app-id":480}})");
        placeSteamLibrary(app, c.library);
        RunResult run =
            runShell(app, stepList({request(R"("steam.status")"), R"({"do":"close"})"}));
        EXPECT_EQ(run.exitCode, 0u);
        EXPECT_TRUE(run.messageBoxes.empty());
        EXPECT_EQ(steamCalls(run), c.calls);
        EXPECT_EQ(
            run.linesStartingWith("PostWebMessageAsJson"),
            std::vector<std::string>{answer(
                std::string(R"({"available":false,"reason":)") + c.reason +
                R"(,"appId":480,"steamId":null,"name":null,"language":null,"steamDeck":null})")});
        const std::vector<std::string> log = runLogIn(run.userDataFolder);
        ASSERT_GE(log.size(), 2u);
        EXPECT_EQ(log[1], c.logged);
    }
}

// Steam starting the game again through its client: that one call, then exit code 0 at once,
// before any runtime check, box or window.
TEST(Steam, ARestartThroughSteamEndsTheRunAtOnce) {
    SteamAnswers answers(LR"({"restart":true})");
    ShellApp app(R"({"name":"steam-restart","steam":{"app-id":480}})");
    placeSteamLibrary(app, QV_STEAM_STANDIN_CURRENT);
    MainWindowWatch watch;
    RunResult run = runShell(app, "[]", "", &watch);
    EXPECT_FALSE(run.timedOut);
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_EQ(run.transcript,
              (std::vector<std::string>{"steam_api64 loaded current",
                                        "SteamAPI_RestartAppIfNecessary 480 -> 1"}));
    EXPECT_TRUE(run.messageBoxes.empty());
    EXPECT_TRUE(watch.states().empty());
    const std::vector<std::string> log = runLogIn(userDataFolderFor(L"steam-restart"));
    ASSERT_EQ(log.size(), 3u);
    EXPECT_EQ(log[1], "steam restarts the game through the Steam client (app-id=480)");
    EXPECT_EQ(log[2], "exit code=0");
}

// Posts WM_CLOSE to the shell's window, as a player's click on the close button does, once the
// transcript shows the step |marker|.
struct PlayerCloses {
    std::wstring transcript;
    std::string marker;
    bool done = false;

    void operator()(DWORD processId) {
        if (done || !fileExists(transcript))
            return;
        for (const std::string& line : splitLines(readFile(transcript))) {
            if (line != marker)
                continue;
            for (const WindowSeen& window : visibleWindowsOf(processId)) {
                if (window.className == L"WindowsQuorvane") {
                    PostMessageW(window.window, WM_CLOSE, 0, 0);
                    done = true;
                }
            }
        }
    }
};

// However the run ends, the page's unstored changes are stored once and SteamAPI_Shutdown is the
// last call the shell makes to anything; every Steam call comes from the UI thread, after init.
TEST(Steam, ShutdownIsTheLastCallOnEveryWayOut) {
    const std::string set = request(R"("steam.achievement.set","name":"ACH_WIN_ONE_GAME")");
    const std::string setResult = answer("true");
    const std::string wait = R"({"do":"wait","ms":300})";
    const std::string browserExit = R"({"do":"processFailed","kind":0,"reason":2,"exitCode":1})";
    const std::vector<std::string> storedAndShutDown = {"ISteamUserStats_StoreStats stats -> 1",
                                                        "SteamAPI_Shutdown"};
    const struct {
        const char* way;
        const char* library;
        const char* manifest;  // after "steam"
        bool runtime;          // the stand-in runtime's loader beside the shell
        std::vector<std::string> steps;
        bool playerCloses;
        DWORD exitCode;
        size_t boxes;
        std::vector<std::string> atEnd;  // the Steam calls after the page's requests
    } cases[] = {
        {"the player closes the window",
         QV_STEAM_STANDIN_CURRENT,
         "",
         true,
         {set, R"({"do":"wait","ms":2500})", R"({"do":"wait","ms":20000})"},
         true,
         0,
         0,
         storedAndShutDown},
        {"the page closes the window",
         QV_STEAM_STANDIN_OLDER,
         "",
         true,
         {set, wait, R"({"do":"close"})"},
         false,
         0,
         0,
         storedAndShutDown},
        {"the page quits with a code",
         QV_STEAM_STANDIN_CURRENT,
         "",
         true,
         {set, request(R"("app.quit","code":3)")},
         false,
         3,
         0,
         storedAndShutDown},
        {"the page stored, then quit",
         QV_STEAM_STANDIN_CURRENT,
         "",
         true,
         {set, request(R"("steam.store")"), request(R"("app.quit")")},
         false,
         0,
         0,
         {"ISteamUserStats_StoreStats stats -> 1", "SteamAPI_Shutdown"}},
        {"the browser failed for good",
         QV_STEAM_STANDIN_OLDER,
         "",
         true,
         {set, wait, browserExit, browserExit, R"({"do":"wait","ms":5000})"},
         false,
         2,
         1,
         storedAndShutDown},
        {"no runtime in fixed mode",
         QV_STEAM_STANDIN_CURRENT,
         R"(,"settings":{"distribution-mode":"fixed"})",
         false,
         {},
         false,
         1,
         1,
         {"SteamAPI_Shutdown"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.way);
        ShellApp app(
            std::string(R"({"name":"steam-ways-out","steam":{"app-id":480})") + c.manifest + "}",
            c.runtime);
        placeSteamLibrary(app, c.library);
        PlayerCloses player{app.folder.root() + L"\\transcript.txt", R"(wait 20000)"};
        RunOptions options;
        options.scenario = "{\"steps\":" + stepList(c.steps) + "}";
        if (c.playerCloses)
            options.watch = [&player](DWORD processId) { player(processId); };
        RunResult run = runApp(app.folder, options);
        const std::string all = transcriptText(run);
        EXPECT_FALSE(run.timedOut);
        EXPECT_EQ(run.exitCode, c.exitCode);
        EXPECT_EQ(run.messageBoxes.size(), c.boxes);
        ASSERT_FALSE(run.transcript.empty());
        EXPECT_EQ(run.transcript.back(), "SteamAPI_Shutdown") << all;
        const std::vector<std::string> calls = steamCalls(run);
        ASSERT_GE(calls.size(), c.atEnd.size()) << all;
        EXPECT_EQ(std::vector<std::string>(calls.end() - c.atEnd.size(), calls.end()), c.atEnd)
            << all;
        EXPECT_EQ(std::count(calls.begin(), calls.end(), "SteamAPI_Shutdown"), 1);
        if (!c.steps.empty()) {
            EXPECT_EQ(run.linesStartingWith("PostWebMessageAsJson")[0], setResult);
        }
        for (const std::string& line : run.transcript) {
            EXPECT_FALSE(isSteamLine(line) &&
                         (line.ends_with(" thread=other") || line.ends_with(" before-init") ||
                          line.ends_with(" after-shutdown")))
                << line;
        }
        if (!c.playerCloses)
            continue;
        // Callbacks at least ten times a second: counted over the last two seconds of the run,
        // on the library's own clock.
        std::vector<unsigned long long> times;
        for (const std::string& line : run.transcript) {
            if (line.starts_with("SteamAPI_RunCallbacks t="))
                times.push_back(std::stoull(line.substr(24)));
        }
        ASSERT_FALSE(times.empty());
        const size_t lastTwoSeconds =
            std::count_if(times.begin(), times.end(),
                          [&](unsigned long long t) { return t + 2000 > times.back(); });
        EXPECT_GE(lastTwoSeconds, 20u) << all;
    }
}

}  // namespace
}  // namespace quorvane::testing
