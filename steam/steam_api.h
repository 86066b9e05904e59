#pragma once

// The part of the Steamworks library's flat C API (steam_api64.dll, shipped by the app's maker)
// that the shell calls, declared here from the library's documented exports. Plain C functions in
// the x64 calling convention; bool is the one-byte C++ bool, strings are UTF-8 and NUL-ended.

#include <cstdint>

namespace quorvane {

// Interfaces are opaque: a versioned accessor returns one, and each method takes it first.
struct ISteamUserStats;
struct ISteamFriends;
struct ISteamApps;
struct ISteamUtils;
struct ISteamUser;

// ESteamAPIInitResult, the answer of SteamAPI_InitFlat.
enum SteamInitResult : int32_t {
    kSteamInitOk = 0,
    kSteamInitFailedGeneric = 1,
    kSteamInitNoSteamClient = 2,    // Steam is probably not running
    kSteamInitVersionMismatch = 3,  // the Steam client is older than the library
};

// SteamErrMsg: where SteamAPI_InitFlat writes its reason (UTF-8) on failure.
inline constexpr int kSteamErrMsgSize = 1024;
using SteamErrMsg = char[kSteamErrMsgSize];

// The exports, as function pointer types named after them.
using SteamRestartAppIfNecessary = bool (*)(uint32_t ownAppId);
using SteamInitFlat = SteamInitResult (*)(SteamErrMsg* outErrMsg);  // current libraries
using SteamInit = bool (*)();                                       // older libraries
using SteamRunCallbacks = void (*)();
using SteamShutdown = void (*)();

using SteamUserStatsAccessor = ISteamUserStats* (*)();
using SteamFriendsAccessor = ISteamFriends* (*)();
using SteamAppsAccessor = ISteamApps* (*)();
using SteamUtilsAccessor = ISteamUtils* (*)();
using SteamUserAccessor = ISteamUser* (*)();

using SteamGetAchievement = bool (*)(ISteamUserStats*, const char* name, bool* achieved);
using SteamSetAchievement = bool (*)(ISteamUserStats*, const char* name);
using SteamClearAchievement = bool (*)(ISteamUserStats*, const char* name);
using SteamIndicateAchievementProgress = bool (*)(ISteamUserStats*, const char* name,
                                                  uint32_t current, uint32_t max);
using SteamGetStatInt32 = bool (*)(ISteamUserStats*, const char* name, int32_t* data);
using SteamGetStatFloat = bool (*)(ISteamUserStats*, const char* name, float* data);
using SteamSetStatInt32 = bool (*)(ISteamUserStats*, const char* name, int32_t data);
using SteamSetStatFloat = bool (*)(ISteamUserStats*, const char* name, float data);
using SteamStoreStats = bool (*)(ISteamUserStats*);
// Only ISteamUserStats v012 has it: v013 loads the stats by itself.
using SteamRequestCurrentStats = bool (*)(ISteamUserStats*);
using SteamGetPersonaName = const char* (*)(ISteamFriends*);
using SteamSetRichPresence = bool (*)(ISteamFriends*, const char* key, const char* value);
using SteamClearRichPresence = void (*)(ISteamFriends*);
using SteamGetCurrentGameLanguage = const char* (*)(ISteamApps*);
using SteamIsDlcInstalled = bool (*)(ISteamApps*, uint32_t appId);
using SteamGetAppId = uint32_t (*)(ISteamUtils*);
using SteamIsOnSteamDeck = bool (*)(ISteamUtils*);
using SteamGetSteamId = uint64_t (*)(ISteamUser*);

}  // namespace quorvane
