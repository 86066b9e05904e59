// Steam in-process: the session started from each stand-in build (a current SDK's library and an
// older one's), and the page's "steam.*" requests answered through it. Each library call the
// shell makes is read back from the stand-in's transcript.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "manifest/app_config.h"
#include "messaging/page_message.h"
#include "messaging/page_reply.h"
#include "platform/app_paths.h"
#include "platform/utf8.h"
#include "steam/steam_session.h"
#include "tests/standin/standin_client.h"
#include "tests/standin/standin_environment.h"
#include "tests/support/files.h"
#include "tests/support/temp_dir.h"

namespace quorvane {
namespace {

using testing::TempDir;

std::vector<std::string> replies;

void capture(const std::wstring& json) {
    replies.push_back(wideToUtf8(json));
}

std::string ok(const std::string& result) {
    return R"({"type":"reply","id":1,"ok":true,"result":)" + result + "}";
}

std::string failed(const std::string& code, const std::string& message) {
    return R"({"type":"reply","id":1,"ok":false,"error":{"code":")" + code + R"(","message":)" +
           message + "}}";
}

struct Build {
    const char* name;
    const char* library;  // the build's steam_api64.dll (a Unix path)
};

void PrintTo(const Build& build, std::ostream* out) {
    *out << build.name;
}

const Build kCurrent = {"current", QV_STEAM_STANDIN_CURRENT};
const Build kOlder = {"older", QV_STEAM_STANDIN_OLDER};

class Steam : public ::testing::Test {
  protected:
    void SetUp() override {
        replies.clear();
        setReplySink(capture);
        transcript_ = dir_ / L"transcript.txt";
        SetEnvironmentVariableW(standin::kTranscriptVariable, transcript_.c_str());
        configure(nullptr);
        appConfig.steamAppId = 480;
    }
    void TearDown() override {
        stopSteam();
        setReplySink(nullptr);
        SetEnvironmentVariableW(standin::kTranscriptVariable, nullptr);
        configure(nullptr);
    }

    // The stand-in's answers for the next start (QV_STEAM_STANDIN), or its defaults.
    static void configure(const wchar_t* json) {
        SetEnvironmentVariableW(L"QV_STEAM_STANDIN", json);
    }

    // The folder that holds |build|'s library.
    static std::wstring folderOf(const Build& build) {
        return quorvane::folderOf(testing::buildOutputPath(build.library));
    }

    SteamStart start(const Build& build) {
        return startSteam(folderOf(build), appConfig.steamAppId, "");
    }

    // The library calls since the last look, callbacks left out.
    std::vector<std::string> calls() {
        std::vector<std::string> lines;
        if (!testing::fileExists(transcript_))
            return lines;
        for (const std::string& line : testing::splitLines(testing::readFile(transcript_))) {
            if (!line.starts_with("SteamAPI_RunCallbacks"))
                lines.push_back(line);
        }
        DeleteFileW(transcript_.c_str());
        return lines;
    }

    // The one answer to |message| (a request with "id": 1).
    static std::string ask(const std::string& message) {
        replies.clear();
        handlePageMessage(utf8ToWide(message));
        return replies.size() == 1 ? replies[0] : "answers: " + std::to_string(replies.size());
    }

    TempDir dir_;
    std::wstring transcript_;
};

class SteamBuild : public Steam, public ::testing::WithParamInterface<Build> {};

// The start-up calls, in order: RestartAppIfNecessary first, then init, then the newest accessor
// of each interface that the build has (and RequestCurrentStats with the older ISteamUserStats).
TEST_P(SteamBuild, StartsInOrderAndEveryRequestReachesTheLibrary) {
    const bool older = GetParam().name == std::string("older");
    ASSERT_EQ(start(GetParam()), SteamStart::Continue);
    const std::vector<std::string> started =
        older ? std::vector<std::string>{"steam_api64 loaded older",
                                         "SteamAPI_RestartAppIfNecessary 480 -> 0",
                                         "SteamAPI_Init -> 1",
                                         "SteamAPI_SteamUserStats_v012 -> stats",
                                         "SteamAPI_SteamFriends_v017 -> friends",
                                         "SteamAPI_SteamApps_v008 -> apps",
                                         "SteamAPI_SteamUtils_v010 -> utils",
                                         "ISteamUserStats_RequestCurrentStats stats -> 1"}
              : std::vector<std::string>{"steam_api64 loaded current",
                                         "SteamAPI_RestartAppIfNecessary 480 -> 0",
                                         "SteamAPI_InitFlat -> 0",
                                         "SteamAPI_SteamUserStats_v013 -> stats",
                                         "SteamAPI_SteamFriends_v018 -> friends",
                                         "SteamAPI_SteamApps_v008 -> apps",
                                         "SteamAPI_SteamUtils_v011 -> utils",
                                         "SteamAPI_SteamUser_v023 -> user"};
    EXPECT_EQ(calls(), started);

    // The older library has no ISteamUser: the Steam id is unknown, the rest works.
    const std::string name = "\"Zo\xC3\xAB \xF0\x9F\x8E\xAE\"";
    EXPECT_EQ(ask(R"({"type":"steam.status","id":1})"),
              ok(R"({"available":true,"reason":null,"appId":480,"steamId":)" +
                 std::string(older ? "null" : R"("76561197960287930")") + R"(,"name":)" + name +
                 R"(,"language":"german","steamDeck":false})"));
    std::vector<std::string> statusCalls = {"ISteamUtils_GetAppID utils -> 480",
                                            "ISteamFriends_GetPersonaName friends",
                                            "ISteamApps_GetCurrentGameLanguage apps",
                                            "ISteamUtils_IsSteamRunningOnSteamDeck utils -> 0"};
    if (!older)
        statusCalls.insert(statusCalls.begin(), "ISteamUser_GetSteamID user -> 76561197960287930");
    EXPECT_EQ(calls(), statusCalls);

    const std::string e128(128, 'e');
    const struct {
        std::string members;  // after "type"
        std::string result;
        std::string call;  // the library call it makes
    } cases[] = {
        {R"("steam.achievement.get","name":"ACH_WIN_ONE_GAME")", "false",
         R"(ISteamUserStats_GetAchievement stats "ACH_WIN_ONE_GAME" -> 1 achieved=0)"},
        {R"("steam.achievement.set","name":"ACH_WIN_ONE_GAME")", "true",
         R"(ISteamUserStats_SetAchievement stats "ACH_WIN_ONE_GAME" -> 1)"},
        {R"("steam.achievement.get","name":"ACH_WIN_ONE_GAME")", "true",
         R"(ISteamUserStats_GetAchievement stats "ACH_WIN_ONE_GAME" -> 1 achieved=1)"},
        {R"("steam.achievement.get","name":"NO_SUCH")", "null",
         R"(ISteamUserStats_GetAchievement stats "NO_SUCH" -> 0)"},
        {R"("steam.achievement.set","name":"NO_SUCH")", "false",
         R"(ISteamUserStats_SetAchievement stats "NO_SUCH" -> 0)"},
        {R"("steam.achievement.clear","name":"ACH_TRAVEL_FAR_ACCUM")", "true",
         R"(ISteamUserStats_ClearAchievement stats "ACH_TRAVEL_FAR_ACCUM" -> 1)"},
        {R"("steam.achievement.progress","name":"ACH_WIN_100_GAMES","current":10,"max":100)",
         "true",
         R"(ISteamUserStats_IndicateAchievementProgress stats "ACH_WIN_100_GAMES" 10 100 -> 1)"},
        {R"("steam.achievement.progress","name":"NO_SUCH","current":0,"max":4294967295)", "false",
         R"(ISteamUserStats_IndicateAchievementProgress stats "NO_SUCH" 0 4294967295 -> 0)"},
        {R"("steam.stat.get","name":"NumWins","kind":"int")", "-2",
         R"(ISteamUserStats_GetStatInt32 stats "NumWins" -> 1 value=-2)"},
        {R"("steam.stat.get","name":"AverageSpeed","kind":"float")", "0.1",
         R"(ISteamUserStats_GetStatFloat stats "AverageSpeed" -> 1 value=0.100000001)"},
        {R"("steam.stat.get","name":"NumGames","kind":"float")", "null",
         R"(ISteamUserStats_GetStatFloat stats "NumGames" -> 0)"},
        {R"("steam.stat.set","name":"NumGames","kind":"int","value":-2147483648)", "true",
         R"(ISteamUserStats_SetStatInt32 stats "NumGames" -2147483648 -> 1)"},
        {R"("steam.stat.get","name":"NumGames","kind":"int")", "-2147483648",
         R"(ISteamUserStats_GetStatInt32 stats "NumGames" -> 1 value=-2147483648)"},
        {R"("steam.stat.set","name":"FeetTraveled","kind":"float","value":3)", "true",
         R"(ISteamUserStats_SetStatFloat stats "FeetTraveled" 3 -> 1)"},
        {R"("steam.stat.set","name":"FeetTraveled","kind":"float","value":0.25)", "true",
         R"(ISteamUserStats_SetStatFloat stats "FeetTraveled" 0.25 -> 1)"},
        {R"("steam.stat.set","name":"FeetTraveled","kind":"int","value":1)", "false",
         R"(ISteamUserStats_SetStatInt32 stats "FeetTraveled" 1 -> 0)"},
        {R"("steam.store")", "true", "ISteamUserStats_StoreStats stats -> 1"},
        {R"("steam.rich-presence.set","key":"status","value":"In the caf\u00e9")", "true",
         "ISteamFriends_SetRichPresence friends \"status\" \"In the caf\xC3\xA9\" -> 1"},
        {R"("steam.rich-presence.set","key":")" + e128 + R"(","value":"x")", "false",
         "ISteamFriends_SetRichPresence friends \"" + e128 + "\" \"x\" -> 0"},
        {R"("steam.rich-presence.clear")", "null", "ISteamFriends_ClearRichPresence friends"},
        {R"("steam.dlc.installed","appId":110902)", "true",
         "ISteamApps_BIsDlcInstalled apps 110902 -> 1"},
        {R"("steam.dlc.installed","appId":4294967295)", "false",
         "ISteamApps_BIsDlcInstalled apps 4294967295 -> 0"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.members);
        EXPECT_EQ(ask(R"({"id":1,"type":)" + c.members + "}"), ok(c.result));
        EXPECT_EQ(calls(), std::vector<std::string>{c.call});
    }

    // Stored above and nothing set since: no StoreStats at exit, only the shutdown.
    stopSteam();
    EXPECT_EQ(calls(), std::vector<std::string>{"SteamAPI_Shutdown"});
    EXPECT_EQ(ask(R"({"type":"steam.store","id":1})"),
              failed("steam-unavailable", R"("Steam is unavailable: Steam has shut down")"));
}

INSTANTIATE_TEST_SUITE_P(Builds, SteamBuild, ::testing::Values(kCurrent, kOlder),
                         [](const auto& info) { return std::string(info.param.name); });

// A set that the library accepted and that was not stored is stored once at exit; nothing else
// is, and shutdown comes last.
TEST_F(Steam, StoresOnceAtExitWhatWasSetAndNotStored) {
    const struct {
        const char* what;
        const wchar_t* config;
        std::vector<std::string> requests;  // type and members
        std::vector<std::string> atExit;
    } cases[] = {
        {"nothing set", nullptr, {}, {"SteamAPI_Shutdown"}},
        {"achievement set",
         nullptr,
         {R"("steam.achievement.set","name":"ACH_WIN_ONE_GAME")"},
         {"ISteamUserStats_StoreStats stats -> 1", "SteamAPI_Shutdown"}},
        {"achievement cleared",
         nullptr,
         {R"("steam.achievement.clear","name":"ACH_WIN_ONE_GAME")"},
         {"ISteamUserStats_StoreStats stats -> 1", "SteamAPI_Shutdown"}},
        {"stat set, then a refused set",
         nullptr,
         {R"("steam.stat.set","name":"NumGames","kind":"int","value":4)",
          R"("steam.stat.set","name":"NoSuch","kind":"int","value":4)"},
         {"ISteamUserStats_StoreStats stats -> 1", "SteamAPI_Shutdown"}},
        {"a set the library refused",
         nullptr,
         {R"("steam.achievement.set","name":"NO_SUCH")"},
         {"SteamAPI_Shutdown"}},
        {"set, then stored",
         nullptr,
         {R"("steam.stat.set","name":"FeetTraveled","kind":"float","value":1.5)",
          R"("steam.store")"},
         {"SteamAPI_Shutdown"}},
        {"set, then a store that failed",
         LR"({"store":false})",
         {R"("steam.achievement.set","name":"ACH_WIN_ONE_GAME")", R"("steam.store")"},
         {"ISteamUserStats_StoreStats stats -> 0", "SteamAPI_Shutdown"}},
        {"progress shown only",
         nullptr,
         {R"("steam.achievement.progress","name":"ACH_WIN_100_GAMES","current":1,"max":2)"},
         {"SteamAPI_Shutdown"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        configure(c.config);
        ASSERT_EQ(start(kCurrent), SteamStart::Continue);
        for (const std::string& request : c.requests)
            ask(R"({"id":1,"type":)" + request + "}");
        calls();
        stopSteam();
        EXPECT_EQ(calls(), c.atExit);
        stopSteam();
        EXPECT_EQ(calls(), std::vector<std::string>{});
    }
}

// Every failure on the way up leaves Steam unavailable with its reason; a library that did not
// initialise is never shut down, one that did is shut down at once.
TEST_F(Steam, FailuresLeaveItUnavailableWithTheReason) {
    const std::wstring planted = dir_ / L"planted";
    CreateDirectoryW(planted.c_str(), nullptr);
    CopyFileW(testing::buildOutputPath(QV_PLANTED_LIBRARY).c_str(),
              (planted + L"\\steam_api64.dll").c_str(), FALSE);
    const std::wstring text = dir_ / L"text";
    testing::writeFile(text + L"\\steam_api64.dll", "not a library");
    const struct {
        const char* what;
        std::wstring folder;
        const wchar_t* config;
        std::string reason;
        std::vector<std::string> calls;
    } cases[] = {
        {"no library", dir_.path() + L"\\", nullptr, "no steam_api64.dll", {}},
        {"not a library", text + L"\\", nullptr, "steam_api64.dll cannot be loaded: error ", {}},
        {"a library without the exports",
         planted + L"\\",
         nullptr,
         "steam_api64.dll has no SteamAPI_RestartAppIfNecessary",
         {}},
        {"init: generic failure",
         folderOf(kCurrent),
         LR"({"init":1})",
         "Steam could not be initialised (SteamAPI_InitFlat result 1)",
         {"SteamAPI_RestartAppIfNecessary 480 -> 0", R"(SteamAPI_InitFlat -> 1 "")"}},
        {"init: no Steam client",
         folderOf(kCurrent),
         LR"({"init":2})",
         "Steam is not running (SteamAPI_InitFlat result 2)",
         {"SteamAPI_RestartAppIfNecessary 480 -> 0", R"(SteamAPI_InitFlat -> 2 "")"}},
        {"init: version mismatch",
         folderOf(kCurrent),
         LR"({"init":3})",
         "the Steam client is older than steam_api64.dll (SteamAPI_InitFlat result 3)",
         {"SteamAPI_RestartAppIfNecessary 480 -> 0", R"(SteamAPI_InitFlat -> 3 "")"}},
        {"init: a result this shell does not know",
         folderOf(kCurrent),
         LR"({"init":9})",
         "Steam could not be initialised (SteamAPI_InitFlat result 9)",
         {"SteamAPI_RestartAppIfNecessary 480 -> 0", R"(SteamAPI_InitFlat -> 9 "")"}},
        {"an interface the library does not give",
         folderOf(kCurrent),
         LR"({"noInterfaces":["SteamAPI_SteamFriends_v018"]})",
         "steam_api64.dll gives no interface through SteamAPI_SteamFriends_v018 or "
         "SteamAPI_SteamFriends_v017",
         {"SteamAPI_RestartAppIfNecessary 480 -> 0", "SteamAPI_InitFlat -> 0",
          "SteamAPI_SteamUserStats_v013 -> stats", "SteamAPI_SteamFriends_v018 -> null",
          "SteamAPI_SteamApps_v008 -> apps", "SteamAPI_SteamUtils_v011 -> utils",
          "SteamAPI_SteamUser_v023 -> user", "SteamAPI_Shutdown"}},
        {"init: the library's own reason",
         folderOf(kCurrent),
         LR"j({"init":2,"message":"Steam is not running (steamclient64.dll \u00e9)"})j",
         "Steam is not running (steamclient64.dll \xC3\xA9)",
         {"SteamAPI_RestartAppIfNecessary 480 -> 0",
          "SteamAPI_InitFlat -> 2 \"Steam is not running (steamclient64.dll \xC3\xA9)\""}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        configure(c.config);
        EXPECT_EQ(startSteam(c.folder, 480, ""), SteamStart::Continue);
        EXPECT_EQ(runningSteam(), nullptr);
        EXPECT_EQ(steamUnavailableReason().substr(0, c.reason.size()), c.reason);
        stopSteam();
        std::vector<std::string> made = calls();
        if (!made.empty() && made[0].starts_with("steam_api64 loaded"))
            made.erase(made.begin());
        EXPECT_EQ(made, c.calls);
    }
}

TEST_F(Steam, TheOlderLibraryThatFailsToInitialise) {
    configure(LR"({"init":2})");
    EXPECT_EQ(start(kOlder), SteamStart::Continue);
    EXPECT_EQ(steamUnavailableReason(), "Steam could not be initialised (SteamAPI_Init failed)");
    stopSteam();
    EXPECT_EQ(calls(), (std::vector<std::string>{"steam_api64 loaded older",
                                                 "SteamAPI_RestartAppIfNecessary 480 -> 0",
                                                 "SteamAPI_Init -> 0"}));
}

TEST_F(Steam, RestartThroughSteamIsTheOnlyCall) {
    configure(LR"({"restart":true})");
    EXPECT_EQ(start(kCurrent), SteamStart::Restart);
    EXPECT_EQ(runningSteam(), nullptr);
    stopSteam();
    EXPECT_EQ(calls(), (std::vector<std::string>{"steam_api64 loaded current",
                                                 "SteamAPI_RestartAppIfNecessary 480 -> 1"}));
}

// Members are checked before Steam is asked for, so a malformed call is named also without Steam;
// a request refused touches nothing.
TEST_F(Steam, BadMembersAreRefusedAndUnavailableSteamIsSaid) {
    const std::string badText = R"("\"name\" must be 1 to 128 bytes of UTF-8 without U+0000")";
    const struct {
        std::string members;
        std::string message;
    } bad[] = {
        {R"("steam.achievement.set")", R"("\"name\" is missing")"},
        {R"("steam.achievement.set","name":5)", R"("\"name\" must be a string")"},
        {R"("steam.achievement.get","name":"")", badText},
        {R"("steam.achievement.clear","name":")" + std::string(129, 'n') + "\"", badText},
        {R"("steam.achievement.set","name":"\u00e9)" + std::string(127, 'n') + "\"", badText},
        {R"("steam.achievement.set","name":"A\u0000B")", badText},
        {R"("steam.achievement.progress","name":"A","current":-1,"max":1)",
         R"("\"current\" must be an integer from 0 to 4294967295")"},
        {R"("steam.achievement.progress","name":"A","current":1,"max":4294967296)",
         R"("\"max\" must be an integer from 0 to 4294967295")"},
        {R"("steam.achievement.progress","name":"A","current":1.5,"max":2)",
         R"("\"current\" must be an integer from 0 to 4294967295")"},
        {R"("steam.stat.get","name":"NumGames")", R"("\"kind\" is missing")"},
        {R"("steam.stat.get","name":"NumGames","kind":"double")",
         R"("\"kind\" must be \"int\" or \"float\"")"},
        {R"("steam.stat.set","name":"NumGames","kind":"int","value":1.5)",
         R"("\"value\" must be an integer from -2147483648 to 2147483647")"},
        {R"("steam.stat.set","name":"NumGames","kind":"int","value":2147483648)",
         R"("\"value\" must be an integer from -2147483648 to 2147483647")"},
        {R"("steam.stat.set","name":"Feet","kind":"float","value":"1")",
         R"("\"value\" must be a number")"},
        {R"("steam.stat.set","name":"Feet","kind":"float","value":-3.5e38)",
         R"("\"value\" must be a number that fits a 32-bit float")"},
        {R"("steam.stat.set","name":"Feet","kind":"float")", R"("\"value\" is missing")"},
        {R"("steam.rich-presence.set","value":"x")", R"("\"key\" is missing")"},
        {R"("steam.rich-presence.set","key":"status","value":")" + std::string(257, 'v') + "\"",
         R"("\"value\" must be 1 to 256 bytes of UTF-8 without U+0000")"},
        {R"("steam.dlc.installed","appId":0)",
         R"("\"appId\" must be an integer from 1 to 4294967295")"},
    };
    ASSERT_EQ(start(kCurrent), SteamStart::Continue);
    calls();
    for (const auto& c : bad) {
        SCOPED_TRACE(c.members);
        EXPECT_EQ(ask(R"({"id":1,"type":)" + c.members + "}"), failed("bad-request", c.message));
    }
    EXPECT_EQ(calls(), std::vector<std::string>{});

    // Without the library every request but the status is refused, after its members.
    stopSteam();
    calls();
    appConfig.steamAppId = 480;
    startSteam(dir_.path() + L"\\", 480, "");
    EXPECT_EQ(ask(R"({"id":1,"type":"steam.status"})"),
              ok(R"({"available":false,"reason":"no steam_api64.dll","appId":480,"steamId":null,)"
                 R"("name":null,"language":null,"steamDeck":null})"));
    const std::string unavailable =
        failed("steam-unavailable", R"("Steam is unavailable: no steam_api64.dll")");
    const std::string good[] = {
        R"("steam.achievement.set","name":"A")",
        R"("steam.achievement.clear","name":"A")",
        R"("steam.achievement.get","name":"A")",
        R"("steam.achievement.progress","name":"A","current":1,"max":2)",
        R"("steam.stat.get","name":"A","kind":"int")",
        R"("steam.stat.set","name":"A","kind":"float","value":1)",
        R"("steam.store")",
        R"("steam.rich-presence.set","key":"A","value":"B")",
        R"("steam.rich-presence.clear")",
        R"("steam.dlc.installed","appId":1)",
    };
    for (const std::string& members : good)
        EXPECT_EQ(ask(R"({"id":1,"type":)" + members + "}"), unavailable) << members;
    EXPECT_EQ(ask(R"({"id":1,"type":"steam.achievement.set"})"),
              failed("bad-request", R"("\"name\" is missing")"));

    // An app that never asked for Steam, and one whose "steam" member is not usable.
    appConfig.steamAppId.reset();
    startSteam(folderOf(kCurrent), std::nullopt, "");
    EXPECT_EQ(ask(R"({"id":1,"type":"steam.status"})"),
              ok(R"({"available":false,"reason":"no \"steam\" in package.json","appId":null,)"
                 R"("steamId":null,"name":null,"language":null,"steamDeck":null})"));
    startSteam(folderOf(kCurrent), std::nullopt, "\"steam\" has no \"app-id\"");
    EXPECT_EQ(
        ask(R"({"id":1,"type":"steam.store"})"),
        failed("steam-unavailable", R"("Steam is unavailable: \"steam\" has no \"app-id\"")"));
    EXPECT_EQ(calls(), std::vector<std::string>{});
}

}  // namespace
}  // namespace quorvane
