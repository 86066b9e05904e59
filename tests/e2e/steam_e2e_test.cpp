// Steam in the built shell, with a stand-in steam_api64.dll (tests/steam) beside it: nothing is
// loaded without the opt-in, the game starts whatever Steam says, a restart through Steam ends
// the run at once, and on every way out Steam's shutdown is the run's last call.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/scoped_handle.h"
#include "tests/e2e/e2e_support.h"
#include "tests/support/files.h"
#include "tests/support/process_windows.h"
#include "tests/support/run_log_lines.h"

namespace quorvane::testing {
namespace {

const std::string kPage = kOrigin + "index.html";
// Answers come through the page worker's thread: time for them before the window closes.
const std::string kWait = R"({"do":"wait","ms":300})";

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
            runShell(app, stepList({request(R"("steam.status")"), request(R"("steam.store")"),
                                    kWait, R"({"do":"close"})"}));
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
            runShell(app, stepList({request(R"("steam.status")"), kWait, R"({"do":"close"})"}));
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

// Once the transcript shows the step |marker|: closes the window as its close button does, or
// (|endSession|) ends the session as Windows does at a log-off: WM_ENDSESSION, then the process
// is ended without any other message.
struct Player {
    std::wstring transcript;
    std::string marker;
    bool endSession = false;
    bool done = false;

    void operator()(DWORD processId) {
        if (done || !fileExists(transcript))
            return;
        const std::vector<std::string> lines = splitLines(readFile(transcript));
        if (std::find(lines.begin(), lines.end(), marker) == lines.end())
            return;
        for (const WindowSeen& window : visibleWindowsOf(processId)) {
            if (window.className != L"WindowsQuorvane")
                continue;
            done = true;
            if (!endSession) {
                PostMessageW(window.window, WM_CLOSE, 0, 0);
                return;
            }
            SendMessageTimeoutW(window.window, WM_ENDSESSION, TRUE, 0, SMTO_BLOCK, 5000, nullptr);
            ScopedHandle process(OpenProcess(PROCESS_TERMINATE, FALSE, processId));
            TerminateProcess(process.get(), kEndedBySession);
            return;
        }
    }
    static constexpr UINT kEndedBySession = 0xE5;
};

// The checks of every way out: SteamAPI_Shutdown once and last of all the calls the run made,
// after |atEnd|'s other calls; every Steam call from the UI thread, after init.
void expectShutdownLast(const RunResult& run, const std::vector<std::string>& atEnd) {
    const std::string all = transcriptText(run);
    ASSERT_FALSE(run.transcript.empty());
    EXPECT_EQ(run.transcript.back(), "SteamAPI_Shutdown") << all;
    const std::vector<std::string> calls = steamCalls(run);
    ASSERT_GE(calls.size(), atEnd.size()) << all;
    EXPECT_EQ(std::vector<std::string>(calls.end() - atEnd.size(), calls.end()), atEnd) << all;
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "SteamAPI_Shutdown"), 1);
    for (const std::string& line : run.transcript) {
        EXPECT_FALSE(isSteamLine(line) &&
                     (line.ends_with(" thread=other") || line.ends_with(" before-init") ||
                      line.ends_with(" after-shutdown")))
            << line;
    }
}

// However the run ends, the page's unstored changes are stored once, then Steam is shut down.
TEST(Steam, ShutdownIsTheLastCallOnEveryWayOut) {
    const std::string set = request(R"("steam.achievement.set","name":"ACH_WIN_ONE_GAME")");
    const std::string browserExit = R"({"do":"processFailed","kind":0,"reason":2,"exitCode":1})";
    const std::string twoSeconds = R"({"do":"wait","ms":2500})";
    const std::string untilThePlayer = R"({"do":"wait","ms":20000})";
    const std::vector<std::string> stored = {"ISteamUserStats_StoreStats stats -> 1",
                                             "SteamAPI_Shutdown"};
    const struct {
        const char* way;
        const char* library;
        std::vector<std::string> steps;
        int player;  // 1: the player closes the window, 2: after Windows ended the session
        DWORD exitCode;
        size_t boxes;
        std::vector<std::string> atEnd;  // the last Steam calls
    } cases[] = {
        {"the player closes",
         QV_STEAM_STANDIN_CURRENT,
         {set, twoSeconds, untilThePlayer},
         1,
         0,
         0,
         stored},
        {"the session ends",
         QV_STEAM_STANDIN_OLDER,
         {set, kWait, untilThePlayer},
         2,
         Player::kEndedBySession,
         0,
         stored},
        {"the page closes",
         QV_STEAM_STANDIN_OLDER,
         {set, kWait, R"({"do":"close"})"},
         0,
         0,
         0,
         stored},
        {"the page quits",
         QV_STEAM_STANDIN_CURRENT,
         {set, request(R"("app.quit","code":3)")},
         0,
         3,
         0,
         stored},
        {"the page stored, then quit",
         QV_STEAM_STANDIN_CURRENT,
         {set, request(R"("steam.store")"), request(R"("app.quit")")},
         0,
         0,
         0,
         {"ISteamUserStats_StoreStats stats -> 1", "SteamAPI_Shutdown"}},
        {"the browser failed for good",
         QV_STEAM_STANDIN_OLDER,
         {set, kWait, browserExit, browserExit, R"({"do":"wait","ms":5000})"},
         0,
         2,
         1,
         stored},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.way);
        ShellApp app(R"({"name":"steam-ways-out","steam":{"app-id":480}})");
        placeSteamLibrary(app, c.library);
        Player player{app.folder.root() + L"\\transcript.txt", "wait 20000", c.player == 2};
        RunOptions options;
        options.scenario = "{\"steps\":" + stepList(c.steps) + "}";
        if (c.player != 0)
            options.watch = [&player](DWORD processId) { player(processId); };
        RunResult run = runApp(app.folder, options);
        EXPECT_FALSE(run.timedOut);
        EXPECT_EQ(run.exitCode, c.exitCode);
        EXPECT_EQ(run.messageBoxes.size(), c.boxes);
        EXPECT_EQ(run.linesStartingWith("PostWebMessageAsJson")[0], answer("true"));
        expectShutdownLast(run, c.atEnd);
        if (c.player != 1)
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
        EXPECT_GE(lastTwoSeconds, 20u) << transcriptText(run);
    }
}

// A start-up that fails after Steam started (no runtime in fixed mode): Steam is shut down too.
TEST(Steam, AFailedStartUpShutsSteamDown) {
    ShellApp app(
        R"({"name":"steam-no-runtime","steam":{"app-id":480},"settings":{"distribution-mode":"fixed"}})",
        false);
    placeSteamLibrary(app, QV_STEAM_STANDIN_CURRENT);
    RunResult run = runShell(app);
    EXPECT_EQ(run.exitCode, 1u);
    EXPECT_EQ(run.messageBoxes.size(), 1u);
    expectShutdownLast(run, {"SteamAPI_SteamUser_v023 -> user", "SteamAPI_Shutdown"});
}

}  // namespace
}  // namespace quorvane::testing
