// quorvane.steam from a real page: the page's calls reach the stand-in steam_api64.dll (a current
// SDK's build) with their arguments in place, and without a library the page hears that Steam is
// unavailable, as in preview.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/engine/engine_run.h"
#include "tests/engine/real_page.h"
#include "tests/standin/standin_client.h"

namespace quorvane::testing {
namespace {

const char kManifest[] = R"({"name": "Engine Steam", "steam": {"app-id": 480}})";

std::vector<std::string> steamCalls(const RunResult& run) {
    std::vector<std::string> calls;
    for (const std::string& line : run.transcript) {
        if (!line.starts_with("SteamAPI_RunCallbacks"))
            calls.push_back(line);
    }
    return calls;
}

TEST_F(RealPage, SteamFromAPage) {
    EngineApp app(kManifest, L"steam");
    ASSERT_TRUE(CopyFileW(buildOutputPath(QV_STEAM_STANDIN_CURRENT).c_str(),
                          (app.folder / L"steam_api64.dll").c_str(), FALSE));
    EngineRun run = runInEngine(app, "[]");
    ASSERT_FALSE(run.run.timedOut) << run.text();
    EXPECT_EQ(run.lastTitle(), "DONE: PASS (steam)") << run.text();
    EXPECT_EQ(run.run.exitCode, 5u);
    const std::string stats = "ISteamUserStats_";
    EXPECT_EQ(steamCalls(run.run),
              (std::vector<std::string>{
                  "steam_api64 loaded current",
                  "SteamAPI_RestartAppIfNecessary 480 -> 0",
                  "SteamAPI_InitFlat -> 0",
                  "SteamAPI_SteamUserStats_v013 -> stats",
                  "SteamAPI_SteamFriends_v018 -> friends",
                  "SteamAPI_SteamApps_v008 -> apps",
                  "SteamAPI_SteamUtils_v011 -> utils",
                  "SteamAPI_SteamUser_v023 -> user",
                  "ISteamUser_GetSteamID user -> 76561197960287930",
                  "ISteamUtils_GetAppID utils -> 480",
                  "ISteamFriends_GetPersonaName friends",
                  "ISteamApps_GetCurrentGameLanguage apps",
                  "ISteamUtils_IsSteamRunningOnSteamDeck utils -> 0",
                  stats + R"(GetAchievement stats "ACH_WIN_ONE_GAME" -> 1 achieved=0)",
                  stats + R"(SetAchievement stats "ACH_WIN_ONE_GAME" -> 1)",
                  stats + R"(GetAchievement stats "ACH_WIN_ONE_GAME" -> 1 achieved=1)",
                  stats + R"(GetAchievement stats "NO_SUCH" -> 0)",
                  stats + R"(ClearAchievement stats "ACH_TRAVEL_FAR_ACCUM" -> 1)",
                  stats + R"(IndicateAchievementProgress stats "ACH_WIN_100_GAMES" 10 100 -> 1)",
                  stats + R"(GetStatFloat stats "AverageSpeed" -> 1 value=0.100000001)",
                  stats + R"(GetStatInt32 stats "NumWins" -> 1 value=-2)",
                  stats + R"(GetStatInt32 stats "NoSuch" -> 0)",
                  stats + R"(SetStatInt32 stats "NumGames" 7 -> 1)",
                  stats + R"(GetStatInt32 stats "NumGames" -> 1 value=7)",
                  stats + "StoreStats stats -> 1",
                  stats + R"(SetStatFloat stats "FeetTraveled" 0.25 -> 1)",
                  "ISteamFriends_SetRichPresence friends \"status\" \"In the caf\xC3\xA9\" -> 1",
                  R"(ISteamFriends_SetRichPresence friends "nope" "x" -> 0)",
                  "ISteamFriends_ClearRichPresence friends",
                  "ISteamApps_BIsDlcInstalled apps 110902 -> 1",
                  // The float stat set after the page's store is stored at exit.
                  stats + "StoreStats stats -> 1",
                  "SteamAPI_Shutdown",
              }));
    // Preview shows each request by its type (the script refused the lone surrogate itself).
    EXPECT_EQ(run.linesStartingWith("page request steam.achievement.set ").size(), 1u)
        << run.text();
}

TEST_F(RealPage, SteamUnavailableWithoutTheLibrary) {
    EngineApp app(kManifest, L"steam");
    EngineRun run = runInEngine(app, "[]");
    ASSERT_FALSE(run.run.timedOut) << run.text();
    EXPECT_EQ(run.lastTitle(), "DONE: PASS (no steam)") << run.text();
    EXPECT_EQ(run.run.exitCode, 6u);
    EXPECT_EQ(run.run.transcript, std::vector<std::string>{});
}

}  // namespace
}  // namespace quorvane::testing
