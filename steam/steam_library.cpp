#include "steam/steam_library.h"

#include <initializer_list>

#include "platform/system_error.h"

namespace quorvane {

namespace {

template <typename Function>
bool resolve(HMODULE module, const char* name, Function& function) {
    // Through void*: a FARPROC cast straight to another function type trips -Wcast-function-type.
    function = reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    return function != nullptr;
}

// Resolves every required export; the name of the first one missing, or null.
const char* missingExport(HMODULE module, SteamExports& e) {
    const char* missing = nullptr;
    auto need = [&](const char* name, auto& function) {
        if (!resolve(module, name, function) && missing == nullptr)
            missing = name;
    };
    need("SteamAPI_RestartAppIfNecessary", e.restartAppIfNecessary);
    need("SteamAPI_RunCallbacks", e.runCallbacks);
    need("SteamAPI_Shutdown", e.shutdown);
    need("SteamAPI_ISteamUserStats_GetAchievement", e.getAchievement);
    need("SteamAPI_ISteamUserStats_SetAchievement", e.setAchievement);
    need("SteamAPI_ISteamUserStats_ClearAchievement", e.clearAchievement);
    need("SteamAPI_ISteamUserStats_IndicateAchievementProgress", e.indicateAchievementProgress);
    need("SteamAPI_ISteamUserStats_GetStatInt32", e.getStatInt32);
    need("SteamAPI_ISteamUserStats_GetStatFloat", e.getStatFloat);
    need("SteamAPI_ISteamUserStats_SetStatInt32", e.setStatInt32);
    need("SteamAPI_ISteamUserStats_SetStatFloat", e.setStatFloat);
    need("SteamAPI_ISteamUserStats_StoreStats", e.storeStats);
    need("SteamAPI_ISteamFriends_GetPersonaName", e.getPersonaName);
    need("SteamAPI_ISteamFriends_SetRichPresence", e.setRichPresence);
    need("SteamAPI_ISteamFriends_ClearRichPresence", e.clearRichPresence);
    need("SteamAPI_ISteamApps_GetCurrentGameLanguage", e.getCurrentGameLanguage);
    need("SteamAPI_ISteamApps_BIsDlcInstalled", e.isDlcInstalled);
    need("SteamAPI_ISteamUtils_GetAppID", e.getAppId);
    need("SteamAPI_ISteamUtils_IsSteamRunningOnSteamDeck", e.isOnSteamDeck);
    return missing;
}

std::string accessorNames(std::initializer_list<const char*> names) {
    std::string text;
    for (const char* name : names)
        text += (text.empty() ? "" : " or ") + std::string(name);
    return text;
}

// Sets |slot| to the interface from the first accessor of |names| that is exported and answers,
// and adds its name (without "SteamAPI_") to |found|'s versions. When none does, a |required|
// interface gives |reason| (unless an earlier one did). Returns the accessor's name or "".
template <typename Interface>
std::string findInterface(HMODULE module, std::initializer_list<const char*> names,
                          Interface*& slot, SteamInterfaces& found, std::string& reason,
                          bool required = true) {
    slot = nullptr;
    for (const char* name : names) {
        Interface* (*accessor)() = nullptr;
        if (!resolve(module, name, accessor) || (slot = accessor()) == nullptr)
            continue;
        const std::string used = name + std::string_view("SteamAPI_").size();
        found.versions += (found.versions.empty() ? "" : " ") + used;
        return used;
    }
    if (required && reason.empty())
        reason = "steam_api64.dll gives no interface through " + accessorNames(names);
    return "";
}

}  // namespace

std::optional<SteamExports> loadSteamLibrary(const std::wstring& path, std::string& reason) {
    if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
        reason = "no steam_api64.dll";
        return std::nullopt;
    }
    // By its full path: the library's own imports come from System32 only, as every other
    // library's do (the executable's folder is never searched).
    SteamExports exports;
    exports.module = LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (exports.module == nullptr) {
        reason = "steam_api64.dll cannot be loaded: " + systemErrorText(GetLastError());
        return std::nullopt;
    }
    if (const char* missing = missingExport(exports.module, exports)) {
        reason = std::string("steam_api64.dll has no ") + missing;
        return std::nullopt;
    }
    // Current libraries have InitFlat (their SteamAPI_Init is an inline function of the SDK's
    // header); older ones export SteamAPI_Init itself.
    if (!resolve(exports.module, "SteamAPI_InitFlat", exports.initFlat) &&
        !resolve(exports.module, "SteamAPI_Init", exports.init)) {
        reason = "steam_api64.dll has no SteamAPI_InitFlat or SteamAPI_Init";
        return std::nullopt;
    }
    resolve(exports.module, "SteamAPI_ISteamUserStats_RequestCurrentStats",
            exports.requestCurrentStats);
    resolve(exports.module, "SteamAPI_ISteamUser_GetSteamID", exports.getSteamId);
    return exports;
}

std::optional<SteamInterfaces> steamInterfaces(HMODULE module, std::string& reason) {
    SteamInterfaces found;
    reason.clear();
    const std::string stats =
        findInterface(module, {"SteamAPI_SteamUserStats_v013", "SteamAPI_SteamUserStats_v012"},
                      found.userStats, found, reason);
    found.olderUserStats = stats == "SteamUserStats_v012";
    findInterface(module, {"SteamAPI_SteamFriends_v018", "SteamAPI_SteamFriends_v017"},
                  found.friends, found, reason);
    findInterface(module, {"SteamAPI_SteamApps_v008"}, found.apps, found, reason);
    findInterface(module, {"SteamAPI_SteamUtils_v011", "SteamAPI_SteamUtils_v010"}, found.utils,
                  found, reason);
    // Optional: without it only the Steam id is unknown.
    findInterface(module, {"SteamAPI_SteamUser_v023"}, found.user, found, reason, false);
    if (!reason.empty())
        return std::nullopt;
    return found;
}

}  // namespace quorvane
