#include "steam/steam_session.h"

#include <windows.h>

#include "platform/run_log.h"

namespace quorvane {

namespace {

struct SteamState {
    std::optional<SteamSession> session;
    std::string unavailable = "Steam has not started";
    UINT_PTR timer = 0;
};

SteamState& state() {
    static SteamState steam;
    return steam;
}

// Strings the library returns belong to it: copied at once.
std::string copied(const char* text) {
    return text != nullptr ? std::string(text) : std::string();
}

void CALLBACK runCallbacks(HWND, UINT, UINT_PTR, DWORD) noexcept {
    if (SteamSession* session = runningSteam())
        session->runCallbacks();
}

// |detail| goes to the log only.
void becomeUnavailable(std::string reason, const std::string& detail = "") {
    logLine("steam unavailable: " + reason + detail);
    state().unavailable = std::move(reason);
}

// Why SteamAPI_InitFlat failed: the library's own words when it gives any.
std::string initFailure(SteamInitResult result, const SteamErrMsg& message) {
    const std::string given(message, strnlen(message, kSteamErrMsgSize));
    if (!given.empty())
        return given;
    const std::string code = " (SteamAPI_InitFlat result " + std::to_string(result) + ")";
    switch (result) {
        case kSteamInitNoSteamClient:
            return "Steam is not running" + code;
        case kSteamInitVersionMismatch:
            return "the Steam client is older than steam_api64.dll" + code;
        default:
            return "Steam could not be initialised" + code;
    }
}

// Initialises the library; false (and unavailable) when it refuses.
bool initialise(const SteamExports& exports) {
    if (exports.initFlat == nullptr) {
        if (exports.init())
            return true;
        becomeUnavailable("Steam could not be initialised (SteamAPI_Init failed)");
        return false;
    }
    SteamErrMsg message = {};
    const SteamInitResult result = exports.initFlat(&message);
    if (result == kSteamInitOk)
        return true;
    message[kSteamErrMsgSize - 1] = '\0';
    const std::string reason = initFailure(result, message);
    const std::string code = "(SteamAPI_InitFlat result " + std::to_string(result) + ")";
    becomeUnavailable(reason, reason.ends_with(code) ? "" : " " + code);
    return false;
}

// After a successful init: the interfaces, and the stats an older library must be asked for.
bool connect(const SteamExports& exports, SteamInterfaces& interfaces) {
    std::string reason;
    std::optional<SteamInterfaces> found = steamInterfaces(exports.module, reason);
    if (found && found->olderUserStats && exports.requestCurrentStats == nullptr)
        reason =
            "steam_api64.dll has SteamUserStats_v012 but no "
            "SteamAPI_ISteamUserStats_RequestCurrentStats";
    if (!found || !reason.empty()) {
        becomeUnavailable(reason);
        exports.shutdown();
        return false;
    }
    interfaces = *found;
    if (interfaces.olderUserStats && !exports.requestCurrentStats(interfaces.userStats))
        logLine("steam RequestCurrentStats failed: the stats stay unknown");
    return true;
}

}  // namespace

uint32_t SteamSession::appId() const {
    return exports_.getAppId(interfaces_.utils);
}

std::optional<uint64_t> SteamSession::steamId() const {
    if (interfaces_.user == nullptr || exports_.getSteamId == nullptr)
        return std::nullopt;
    const uint64_t id = exports_.getSteamId(interfaces_.user);
    return id != 0 ? std::optional<uint64_t>(id) : std::nullopt;
}

std::string SteamSession::personaName() const {
    return copied(exports_.getPersonaName(interfaces_.friends));
}

std::string SteamSession::language() const {
    return copied(exports_.getCurrentGameLanguage(interfaces_.apps));
}

bool SteamSession::onSteamDeck() const {
    return exports_.isOnSteamDeck(interfaces_.utils);
}

std::optional<bool> SteamSession::achievement(const std::string& name) const {
    bool achieved = false;
    if (!exports_.getAchievement(interfaces_.userStats, name.c_str(), &achieved))
        return std::nullopt;
    return achieved;
}

bool SteamSession::changed(bool accepted) {
    unstored_ = unstored_ || accepted;
    return accepted;
}

bool SteamSession::setAchievement(const std::string& name) {
    return changed(exports_.setAchievement(interfaces_.userStats, name.c_str()));
}

bool SteamSession::clearAchievement(const std::string& name) {
    return changed(exports_.clearAchievement(interfaces_.userStats, name.c_str()));
}

bool SteamSession::indicateProgress(const std::string& name, uint32_t current, uint32_t max) {
    return exports_.indicateAchievementProgress(interfaces_.userStats, name.c_str(), current, max);
}

std::optional<int32_t> SteamSession::intStat(const std::string& name) const {
    int32_t value = 0;
    if (!exports_.getStatInt32(interfaces_.userStats, name.c_str(), &value))
        return std::nullopt;
    return value;
}

std::optional<float> SteamSession::floatStat(const std::string& name) const {
    float value = 0;
    if (!exports_.getStatFloat(interfaces_.userStats, name.c_str(), &value))
        return std::nullopt;
    return value;
}

bool SteamSession::setIntStat(const std::string& name, int32_t value) {
    return changed(exports_.setStatInt32(interfaces_.userStats, name.c_str(), value));
}

bool SteamSession::setFloatStat(const std::string& name, float value) {
    return changed(exports_.setStatFloat(interfaces_.userStats, name.c_str(), value));
}

bool SteamSession::storeStats() {
    const bool stored = exports_.storeStats(interfaces_.userStats);
    if (stored)
        unstored_ = false;
    return stored;
}

bool SteamSession::setRichPresence(const std::string& key, const std::string& value) {
    return exports_.setRichPresence(interfaces_.friends, key.c_str(), value.c_str());
}

void SteamSession::clearRichPresence() {
    exports_.clearRichPresence(interfaces_.friends);
}

bool SteamSession::dlcInstalled(uint32_t appId) const {
    return exports_.isDlcInstalled(interfaces_.apps, appId);
}

void SteamSession::finish() {
    if (unstored_)
        logLine(storeStats() ? "steam stored the stats at exit"
                             : "steam could not store the stats at exit");
    exports_.shutdown();
    logLine("steam shut down");
}

SteamStart startSteam(const std::wstring& folder, std::optional<uint32_t> appId,
                      const std::string& problem) {
    SteamState& steam = state();
    steam.session.reset();
    if (!appId) {
        // An app that never asked for Steam logs nothing of it.
        if (!problem.empty())
            logLine("steam off: " + problem);
        steam.unavailable = problem.empty() ? "no \"steam\" in package.json" : problem;
        return SteamStart::Continue;
    }
    std::string reason;
    std::optional<SteamExports> exports = loadSteamLibrary(folder + kSteamLibraryName, reason);
    if (!exports) {
        becomeUnavailable(reason);
        return SteamStart::Continue;
    }
    // First of all Steam calls, before any window: a game started outside the Steam client is
    // started again through it.
    if (exports->restartAppIfNecessary(*appId)) {
        logLine("steam restarts the game through the Steam client (app-id=" +
                std::to_string(*appId) + ")");
        steam.unavailable = "Steam starts the game again";
        return SteamStart::Restart;
    }
    SteamInterfaces interfaces;
    if (!initialise(*exports) || !connect(*exports, interfaces))
        return SteamStart::Continue;
    steam.session.emplace(*exports, interfaces);
    steam.unavailable.clear();
    steam.timer = SetTimer(nullptr, 0, kSteamCallbacksIntervalMs, runCallbacks);
    logLine("steam ready app-id=" + std::to_string(*appId) +
            " init=" + (exports->initFlat != nullptr ? "SteamAPI_InitFlat" : "SteamAPI_Init") +
            " interfaces=" + interfaces.versions);
    return SteamStart::Continue;
}

void stopSteam() noexcept {
    SteamState& steam = state();
    if (!steam.session)
        return;
    try {
        if (steam.timer != 0)
            KillTimer(nullptr, steam.timer);
        steam.timer = 0;
        steam.session->finish();
        steam.session.reset();
        steam.unavailable = "Steam has shut down";
    } catch (...) {
    }
}

SteamSession* runningSteam() {
    std::optional<SteamSession>& session = state().session;
    return session ? &*session : nullptr;
}

const std::string& steamUnavailableReason() {
    return state().unavailable;
}

}  // namespace quorvane
