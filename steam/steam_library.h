#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "steam/steam_api.h"

namespace quorvane {

// The file a maker copies from the Steamworks SDK beside the executable.
inline constexpr wchar_t kSteamLibraryName[] = L"steam_api64.dll";

// The exports the shell calls, resolved from the loaded library.
struct SteamExports {
    SteamRestartAppIfNecessary restartAppIfNecessary = nullptr;
    // One of the two: SteamAPI_InitFlat in current libraries, SteamAPI_Init in older ones.
    SteamInitFlat initFlat = nullptr;
    SteamInit init = nullptr;
    SteamRunCallbacks runCallbacks = nullptr;
    SteamShutdown shutdown = nullptr;

    SteamGetAchievement getAchievement = nullptr;
    SteamSetAchievement setAchievement = nullptr;
    SteamClearAchievement clearAchievement = nullptr;
    SteamIndicateAchievementProgress indicateAchievementProgress = nullptr;
    SteamGetStatInt32 getStatInt32 = nullptr;
    SteamGetStatFloat getStatFloat = nullptr;
    SteamSetStatInt32 setStatInt32 = nullptr;
    SteamSetStatFloat setStatFloat = nullptr;
    SteamStoreStats storeStats = nullptr;
    SteamGetPersonaName getPersonaName = nullptr;
    SteamSetRichPresence setRichPresence = nullptr;
    SteamClearRichPresence clearRichPresence = nullptr;
    SteamGetCurrentGameLanguage getCurrentGameLanguage = nullptr;
    SteamIsDlcInstalled isDlcInstalled = nullptr;
    SteamGetAppId getAppId = nullptr;
    SteamIsOnSteamDeck isOnSteamDeck = nullptr;
    // Looked up, not required: only older libraries have the first, only some the second.
    SteamRequestCurrentStats requestCurrentStats = nullptr;
    SteamGetSteamId getSteamId = nullptr;

    HMODULE module = nullptr;
};

// Loads |path| (a full path; never searched for) and resolves the exports. Without the file, or
// when it does not load or lacks an export, none and the reason: "no steam_api64.dll",
// "steam_api64.dll has no SteamAPI_Shutdown". The library stays loaded for the rest of the run.
std::optional<SteamExports> loadSteamLibrary(const std::wstring& path, std::string& reason);

// The interfaces of an initialised library, from the newest accessor that gives one.
struct SteamInterfaces {
    ISteamUserStats* userStats = nullptr;
    ISteamFriends* friends = nullptr;
    ISteamApps* apps = nullptr;
    ISteamUtils* utils = nullptr;
    ISteamUser* user = nullptr;  // null in an older library: the Steam id is then unknown
    // ISteamUserStats came from the older accessor, which needs RequestCurrentStats.
    bool olderUserStats = false;
    // The accessors used, for the log: "SteamUserStats_v013 SteamFriends_v018 ...".
    std::string versions;
};

// None when a required interface has no accessor that answers, with the reason.
std::optional<SteamInterfaces> steamInterfaces(HMODULE module, std::string& reason);

}  // namespace quorvane
