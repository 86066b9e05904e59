// A stand-in for the Steamworks library (steam_api64.dll) that a maker ships: flat C exports that
// record every call in the stand-in runtime's transcript (the file its transcript variable names)
// and answer from a small table. Built twice: like a current SDK (SteamAPI_InitFlat, the newest
// accessors) and, with QV_STEAM_OLDER_SDK, like an older one (SteamAPI_Init, ISteamUserStats
// v012 with RequestCurrentStats, no ISteamUser).
//
// QV_STEAM_STANDIN, when set, holds a JSON object that changes the answers, read at each
// RestartAppIfNecessary and init: {"restart": true} (RestartAppIfNecessary's answer), {"init": 2,
// "message": "..."} (SteamAPI_InitFlat's result and reason; the older build's SteamAPI_Init
// fails for any result but 0), {"store": false} (StoreStats' answer), {"noInterfaces":
// ["SteamAPI_SteamFriends_v018"]} (accessors that answer null).
//
// Lines, UTF-8 with control characters escaped:
//   steam_api64 loaded current|older
//   SteamAPI_RestartAppIfNecessary 480 -> 0
//   SteamAPI_InitFlat -> 2 "message"        SteamAPI_Init -> 1
//   SteamAPI_SteamUserStats_v013 -> stats   (an accessor and the interface it gave)
//   SteamAPI_RunCallbacks t=MS              (milliseconds since the library was loaded)
//   ISteamUserStats_SetAchievement stats "ACH_WIN_ONE_GAME" -> 1    (a method: self, arguments)
//   SteamAPI_Shutdown
// A call from another thread than the one that loaded the library ends in " thread=other"; a
// call before init (other than RestartAppIfNecessary) in " before-init"; one after shutdown in
// " after-shutdown".
#include <windows.h>

#include <nlohmann/json.hpp>

#include <cstdint>
#include <cstdio>
#include <map>
#include <string>

#include "platform/utf8.h"
#include "tests/standin/transcript.h"
#include "tests/standin/transcript_format.h"

#define STEAM_EXPORT extern "C" __declspec(dllexport)

namespace {

using quorvane::standin::record;

// The interfaces: distinct objects, so a method given the wrong one shows it.
struct Interface {
    const char* label;
};
Interface userStats{"stats"}, friends{"friends"}, apps{"apps"}, utils{"utils"}, user{"user"};

enum class Phase { Loaded, Initialised, ShutDown };
Phase phase = Phase::Loaded;
DWORD loadingThread = 0;
ULONGLONG loadedAt = 0;

// The answers, reset at each init.
std::map<std::string, bool> achievements;
std::map<std::string, int32_t> intStats;
std::map<std::string, float> floatStats;

void resetTables() {
    achievements = {
        {"ACH_WIN_ONE_GAME", false}, {"ACH_WIN_100_GAMES", false}, {"ACH_TRAVEL_FAR_ACCUM", true}};
    intStats = {{"NumGames", 3}, {"NumWins", -2}};
    floatStats = {{"FeetTraveled", 12.5f}, {"AverageSpeed", 0.1f}};
}

nlohmann::json config() {
    wchar_t text[4096] = {};
    const DWORD length = GetEnvironmentVariableW(L"QV_STEAM_STANDIN", text, 4096);
    if (length == 0 || length >= 4096)
        return nlohmann::json::object();
    try {
        return nlohmann::json::parse(quorvane::wideToUtf8(text));
    } catch (...) {
        record(L"QV_STEAM_STANDIN is not JSON");
        return nlohmann::json::object();
    }
}

void line(const std::string& text) {
    std::string full = text;
    if (GetCurrentThreadId() != loadingThread)
        full += " thread=other";
    if (phase == Phase::Loaded && !text.starts_with("SteamAPI_RestartAppIfNecessary") &&
        !text.starts_with("SteamAPI_Init"))
        full += " before-init";
    if (phase == Phase::ShutDown)
        full += " after-shutdown";
    record(quorvane::standin::escapeText(quorvane::utf8ToWide(full)));
}

std::string text(const char* given) {
    return given == nullptr ? std::string() : std::string(given);
}

std::string quoted(const char* text) {
    return text == nullptr ? "(null)" : "\"" + std::string(text) + "\"";
}

std::string self(void* object) {
    for (Interface* known : {&userStats, &friends, &apps, &utils, &user}) {
        if (object == known)
            return known->label;
    }
    return "WRONG";
}

bool answer(const std::string& call, bool result) {
    line(call + " -> " + (result ? "1" : "0"));
    return result;
}

// An accessor answers null when QV_STEAM_STANDIN's "noInterfaces" names it.
Interface* accessor(const char* name, Interface* object) {
    for (const nlohmann::json& refused : config().value("noInterfaces", nlohmann::json::array())) {
        if (refused == name) {
            line(std::string(name) + " -> null");
            return nullptr;
        }
    }
    line(std::string(name) + " -> " + object->label);
    return object;
}

std::string floatText(float value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.9g", static_cast<double>(value));
    return text;
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        loadingThread = GetCurrentThreadId();
        loadedAt = GetTickCount64();
#ifdef QV_STEAM_OLDER_SDK
        record(L"steam_api64 loaded older");
#else
        record(L"steam_api64 loaded current");
#endif
    }
    return TRUE;
}

STEAM_EXPORT bool SteamAPI_RestartAppIfNecessary(uint32_t appId) {
    // A new start (tests in one process start more than once).
    phase = Phase::Loaded;
    const nlohmann::json settings = config();
    return answer("SteamAPI_RestartAppIfNecessary " + std::to_string(appId),
                  settings.value("restart", false));
}

namespace {

// The configured init result; the tables start afresh on success.
int initResult(std::string& message) {
    const nlohmann::json settings = config();
    const int result = settings.value("init", 0);
    message = settings.value("message", "");
    if (result == 0) {
        phase = Phase::Initialised;
        resetTables();
    }
    return result;
}

}  // namespace

#ifdef QV_STEAM_OLDER_SDK
STEAM_EXPORT bool SteamAPI_Init() {
    std::string message;
    return answer("SteamAPI_Init", initResult(message) == 0);
}

STEAM_EXPORT bool SteamAPI_InitSafe() {
    std::string message;
    return answer("SteamAPI_InitSafe", initResult(message) == 0);
}
#else
STEAM_EXPORT int32_t SteamAPI_InitFlat(char (*outMessage)[1024]) {
    std::string message;
    const int result = initResult(message);
    if (result != 0 && outMessage != nullptr)
        std::snprintf(*outMessage, 1024, "%s", message.c_str());
    line("SteamAPI_InitFlat -> " + std::to_string(result) +
         (result != 0 ? " " + quoted(message.c_str()) : ""));
    return result;
}
#endif

STEAM_EXPORT void SteamAPI_RunCallbacks() {
    line("SteamAPI_RunCallbacks t=" + std::to_string(GetTickCount64() - loadedAt));
}

STEAM_EXPORT void SteamAPI_Shutdown() {
    line("SteamAPI_Shutdown");
    phase = Phase::ShutDown;
}

#ifdef QV_STEAM_OLDER_SDK
STEAM_EXPORT void* SteamAPI_SteamUserStats_v012() {
    return accessor("SteamAPI_SteamUserStats_v012", &userStats);
}
STEAM_EXPORT void* SteamAPI_SteamFriends_v017() {
    return accessor("SteamAPI_SteamFriends_v017", &friends);
}
STEAM_EXPORT void* SteamAPI_SteamUtils_v010() {
    return accessor("SteamAPI_SteamUtils_v010", &utils);
}
STEAM_EXPORT bool SteamAPI_ISteamUserStats_RequestCurrentStats(void* stats) {
    return answer("ISteamUserStats_RequestCurrentStats " + self(stats), true);
}
#else
STEAM_EXPORT void* SteamAPI_SteamUserStats_v013() {
    return accessor("SteamAPI_SteamUserStats_v013", &userStats);
}
STEAM_EXPORT void* SteamAPI_SteamFriends_v018() {
    return accessor("SteamAPI_SteamFriends_v018", &friends);
}
STEAM_EXPORT void* SteamAPI_SteamUtils_v011() {
    return accessor("SteamAPI_SteamUtils_v011", &utils);
}
STEAM_EXPORT void* SteamAPI_SteamUser_v023() {
    return accessor("SteamAPI_SteamUser_v023", &user);
}
#endif
STEAM_EXPORT void* SteamAPI_SteamApps_v008() {
    return accessor("SteamAPI_SteamApps_v008", &apps);
}

STEAM_EXPORT bool SteamAPI_ISteamUserStats_GetAchievement(void* stats, const char* name,
                                                          bool* achieved) {
    const auto it = achievements.find(text(name));
    if (it != achievements.end() && achieved != nullptr)
        *achieved = it->second;
    const bool known = it != achievements.end();
    line("ISteamUserStats_GetAchievement " + self(stats) + " " + quoted(name) + " -> " +
         (known ? "1 achieved=" + std::to_string(it->second) : "0"));
    return known;
}

namespace {

bool setAchievement(const char* call, void* stats, const char* name, bool achieved) {
    const auto it = achievements.find(text(name));
    if (it != achievements.end())
        it->second = achieved;
    return answer(std::string(call) + " " + self(stats) + " " + quoted(name),
                  it != achievements.end());
}

}  // namespace

STEAM_EXPORT bool SteamAPI_ISteamUserStats_SetAchievement(void* stats, const char* name) {
    return setAchievement("ISteamUserStats_SetAchievement", stats, name, true);
}

STEAM_EXPORT bool SteamAPI_ISteamUserStats_ClearAchievement(void* stats, const char* name) {
    return setAchievement("ISteamUserStats_ClearAchievement", stats, name, false);
}

STEAM_EXPORT bool SteamAPI_ISteamUserStats_IndicateAchievementProgress(void* stats,
                                                                       const char* name,
                                                                       uint32_t current,
                                                                       uint32_t max) {
    return answer("ISteamUserStats_IndicateAchievementProgress " + self(stats) + " " +
                      quoted(name) + " " + std::to_string(current) + " " + std::to_string(max),
                  achievements.count(text(name)) != 0);
}

STEAM_EXPORT bool SteamAPI_ISteamUserStats_GetStatInt32(void* stats, const char* name,
                                                        int32_t* value) {
    const auto it = intStats.find(text(name));
    if (it != intStats.end() && value != nullptr)
        *value = it->second;
    line("ISteamUserStats_GetStatInt32 " + self(stats) + " " + quoted(name) + " -> " +
         (it != intStats.end() ? "1 value=" + std::to_string(it->second) : "0"));
    return it != intStats.end();
}

STEAM_EXPORT bool SteamAPI_ISteamUserStats_GetStatFloat(void* stats, const char* name,
                                                        float* value) {
    const auto it = floatStats.find(text(name));
    if (it != floatStats.end() && value != nullptr)
        *value = it->second;
    line("ISteamUserStats_GetStatFloat " + self(stats) + " " + quoted(name) + " -> " +
         (it != floatStats.end() ? "1 value=" + floatText(it->second) : "0"));
    return it != floatStats.end();
}

STEAM_EXPORT bool SteamAPI_ISteamUserStats_SetStatInt32(void* stats, const char* name,
                                                        int32_t value) {
    const auto it = intStats.find(text(name));
    if (it != intStats.end())
        it->second = value;
    return answer("ISteamUserStats_SetStatInt32 " + self(stats) + " " + quoted(name) + " " +
                      std::to_string(value),
                  it != intStats.end());
}

STEAM_EXPORT bool SteamAPI_ISteamUserStats_SetStatFloat(void* stats, const char* name,
                                                        float value) {
    const auto it = floatStats.find(text(name));
    if (it != floatStats.end())
        it->second = value;
    return answer(
        "ISteamUserStats_SetStatFloat " + self(stats) + " " + quoted(name) + " " + floatText(value),
        it != floatStats.end());
}

STEAM_EXPORT bool SteamAPI_ISteamUserStats_StoreStats(void* stats) {
    return answer("ISteamUserStats_StoreStats " + self(stats), config().value("store", true));
}

STEAM_EXPORT const char* SteamAPI_ISteamFriends_GetPersonaName(void* object) {
    line("ISteamFriends_GetPersonaName " + self(object));
    // A name beyond ASCII, as players' names often are.
    return "Zo\xC3\xAB \xF0\x9F\x8E\xAE";
}

STEAM_EXPORT bool SteamAPI_ISteamFriends_SetRichPresence(void* object, const char* key,
                                                         const char* value) {
    const std::string known = text(key);
    return answer(
        "ISteamFriends_SetRichPresence " + self(object) + " " + quoted(key) + " " + quoted(value),
        known == "status" || known == "steam_display" || known == "score");
}

STEAM_EXPORT void SteamAPI_ISteamFriends_ClearRichPresence(void* object) {
    line("ISteamFriends_ClearRichPresence " + self(object));
}

STEAM_EXPORT const char* SteamAPI_ISteamApps_GetCurrentGameLanguage(void* object) {
    line("ISteamApps_GetCurrentGameLanguage " + self(object));
    return "german";
}

STEAM_EXPORT bool SteamAPI_ISteamApps_BIsDlcInstalled(void* object, uint32_t appId) {
    return answer("ISteamApps_BIsDlcInstalled " + self(object) + " " + std::to_string(appId),
                  appId == 110902);
}

STEAM_EXPORT uint32_t SteamAPI_ISteamUtils_GetAppID(void* object) {
    line("ISteamUtils_GetAppID " + self(object) + " -> 480");
    return 480;
}

STEAM_EXPORT bool SteamAPI_ISteamUtils_IsSteamRunningOnSteamDeck(void* object) {
    return answer("ISteamUtils_IsSteamRunningOnSteamDeck " + self(object), false);
}

STEAM_EXPORT uint64_t SteamAPI_ISteamUser_GetSteamID(void* object) {
    // Beyond 2^53: a JavaScript number would lose its last digits.
    line("ISteamUser_GetSteamID " + self(object) + " -> 76561197960287930");
    return 76561197960287930ull;
}
