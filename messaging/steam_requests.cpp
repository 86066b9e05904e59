// The "steam.*" requests: achievements, stats, rich presence, DLC and the player's identity,
// through the Steam session of the run.
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "manifest/app_config.h"
#include "messaging/request_members.h"
#include "messaging/request_table.h"
#include "steam/steam_session.h"

namespace quorvane {

namespace {

using Json = nlohmann::ordered_json;

// The library's limits are its own; these keep a page from handing it anything unreasonable.
constexpr size_t kNameBytes = 128;   // achievement and stat names, rich presence keys
constexpr size_t kValueBytes = 256;  // rich presence values

[[noreturn]] void refuse(const std::string& message) {
    throw RequestFailure{RequestError::BadRequest, message};
}

// 1 to |most| bytes of UTF-8 (the parser has checked the encoding) and no U+0000, which would
// cut the C string the library gets.
const std::string& steamText(const nlohmann::json& request, const char* key, size_t most) {
    const std::string& text = requireString(request, key);
    if (text.empty() || text.size() > most || text.find('\0') != std::string::npos) {
        refuse(std::string("\"") + key + "\" must be 1 to " + std::to_string(most) +
               " bytes of UTF-8 without U+0000");
    }
    return text;
}

const std::string& name(const nlohmann::json& request) {
    return steamText(request, "name", kNameBytes);
}

// Asked after the members are checked, so that a maker trying a call without Steam still hears
// about a malformed one.
SteamSession& steam() {
    SteamSession* session = runningSteam();
    if (session == nullptr) {
        throw RequestFailure{RequestError::SteamUnavailable,
                             "Steam is unavailable: " + steamUnavailableReason()};
    }
    return *session;
}

bool isFloatKind(const nlohmann::json& request) {
    const std::string& kind = requireString(request, "kind");
    if (kind != "int" && kind != "float")
        refuse(R"("kind" must be "int" or "float")");
    return kind == "float";
}

// The shortest decimal that reads back as the same float: 0.1f answers 0.1, not the
// 0.10000000149011612 its double would print as.
Json floatNumber(float value) {
    if (!std::isfinite(value))
        return Json();
    char text[32] = {};
    for (int digits = 1; digits <= 9; ++digits) {
        std::snprintf(text, sizeof text, "%.*g", digits, static_cast<double>(value));
        if (std::strtof(text, nullptr) == value)
            break;
    }
    return std::strtod(text, nullptr);
}

template <typename T>
Json valueOrNull(const std::optional<T>& value) {
    return value ? Json(*value) : Json();
}

Outcome status(nlohmann::json&) {
    SteamSession* session = runningSteam();
    if (session == nullptr) {
        return Outcome::success({{"available", false},
                                 {"reason", steamUnavailableReason()},
                                 {"appId", valueOrNull(appConfig.steamAppId)},
                                 {"steamId", nullptr},
                                 {"name", nullptr},
                                 {"language", nullptr},
                                 {"steamDeck", nullptr}});
    }
    // A 64-bit id does not fit a JavaScript number: it goes as a decimal string.
    const std::optional<uint64_t> id = session->steamId();
    return Outcome::success({{"available", true},
                             {"reason", nullptr},
                             {"appId", session->appId()},
                             {"steamId", id ? Json(std::to_string(*id)) : Json()},
                             {"name", session->personaName()},
                             {"language", session->language()},
                             {"steamDeck", session->onSteamDeck()}});
}

Outcome setAchievement(nlohmann::json& request) {
    const std::string& achievement = name(request);
    return Outcome::success(steam().setAchievement(achievement));
}

Outcome clearAchievement(nlohmann::json& request) {
    const std::string& achievement = name(request);
    return Outcome::success(steam().clearAchievement(achievement));
}

Outcome getAchievement(nlohmann::json& request) {
    const std::string& achievement = name(request);
    return Outcome::success(valueOrNull(steam().achievement(achievement)));
}

Outcome indicateProgress(nlohmann::json& request) {
    const std::string& achievement = name(request);
    const auto current = static_cast<uint32_t>(requireInteger(request, "current", 0, UINT32_MAX));
    const auto max = static_cast<uint32_t>(requireInteger(request, "max", 0, UINT32_MAX));
    return Outcome::success(steam().indicateProgress(achievement, current, max));
}

Outcome getStat(nlohmann::json& request) {
    const std::string& stat = name(request);
    if (isFloatKind(request)) {
        const std::optional<float> value = steam().floatStat(stat);
        return Outcome::success(value ? floatNumber(*value) : Json());
    } else {
        return Outcome::success(valueOrNull(steam().intStat(stat)));
    }
}

Outcome setStat(nlohmann::json& request) {
    const std::string& stat = name(request);
    if (isFloatKind(request)) {
        const double value = requireNumber(request, "value");
        if (!(std::fabs(value) <= FLT_MAX))
            refuse(R"("value" must be a number that fits a 32-bit float)");
        return Outcome::success(steam().setFloatStat(stat, static_cast<float>(value)));
    } else {
        const int64_t value = requireInteger(request, "value", INT32_MIN, INT32_MAX);
        return Outcome::success(steam().setIntStat(stat, static_cast<int32_t>(value)));
    }
}

Outcome store(nlohmann::json&) {
    return Outcome::success(steam().storeStats());
}

Outcome setRichPresence(nlohmann::json& request) {
    const std::string& key = steamText(request, "key", kNameBytes);
    const std::string& value = steamText(request, "value", kValueBytes);
    return Outcome::success(steam().setRichPresence(key, value));
}

Outcome clearRichPresence(nlohmann::json&) {
    steam().clearRichPresence();
    return Outcome::success();
}

Outcome dlcInstalled(nlohmann::json& request) {
    const auto appId = static_cast<uint32_t>(requireInteger(request, "appId", 1, UINT32_MAX));
    return Outcome::success(steam().dlcInstalled(appId));
}

constexpr RequestType kSteamRequests[] = {
    {"steam.status", RunsOn::UiThread, status},
    {"steam.achievement.set", RunsOn::UiThread, setAchievement},
    {"steam.achievement.clear", RunsOn::UiThread, clearAchievement},
    {"steam.achievement.get", RunsOn::UiThread, getAchievement},
    {"steam.achievement.progress", RunsOn::UiThread, indicateProgress},
    {"steam.stat.get", RunsOn::UiThread, getStat},
    {"steam.stat.set", RunsOn::UiThread, setStat},
    {"steam.store", RunsOn::UiThread, store},
    {"steam.rich-presence.set", RunsOn::UiThread, setRichPresence},
    {"steam.rich-presence.clear", RunsOn::UiThread, clearRichPresence},
    {"steam.dlc.installed", RunsOn::UiThread, dlcInstalled},
};

}  // namespace

std::span<const RequestType> steamRequests() {
    return kSteamRequests;
}

}  // namespace quorvane
