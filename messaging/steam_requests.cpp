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

void status(nlohmann::json&, Reply& reply) {
    SteamSession* session = runningSteam();
    if (session == nullptr) {
        reply.send(Outcome::success({{"available", false},
                                     {"reason", steamUnavailableReason()},
                                     {"appId", valueOrNull(appConfig.steamAppId)},
                                     {"steamId", nullptr},
                                     {"name", nullptr},
                                     {"language", nullptr},
                                     {"steamDeck", nullptr}}));
        return;
    }
    // A 64-bit id does not fit a JavaScript number: it goes as a decimal string.
    const std::optional<uint64_t> id = session->steamId();
    reply.send(Outcome::success({{"available", true},
                                 {"reason", nullptr},
                                 {"appId", session->appId()},
                                 {"steamId", id ? Json(std::to_string(*id)) : Json()},
                                 {"name", session->personaName()},
                                 {"language", session->language()},
                                 {"steamDeck", session->onSteamDeck()}}));
}

void setAchievement(nlohmann::json& request, Reply& reply) {
    const std::string& achievement = name(request);
    reply.send(Outcome::success(steam().setAchievement(achievement)));
}

void clearAchievement(nlohmann::json& request, Reply& reply) {
    const std::string& achievement = name(request);
    reply.send(Outcome::success(steam().clearAchievement(achievement)));
}

void getAchievement(nlohmann::json& request, Reply& reply) {
    const std::string& achievement = name(request);
    reply.send(Outcome::success(valueOrNull(steam().achievement(achievement))));
}

void indicateProgress(nlohmann::json& request, Reply& reply) {
    const std::string& achievement = name(request);
    const auto current = static_cast<uint32_t>(requireInteger(request, "current", 0, UINT32_MAX));
    const auto max = static_cast<uint32_t>(requireInteger(request, "max", 0, UINT32_MAX));
    reply.send(Outcome::success(steam().indicateProgress(achievement, current, max)));
}

void getStat(nlohmann::json& request, Reply& reply) {
    const std::string& stat = name(request);
    if (isFloatKind(request)) {
        const std::optional<float> value = steam().floatStat(stat);
        reply.send(Outcome::success(value ? floatNumber(*value) : Json()));
    } else {
        reply.send(Outcome::success(valueOrNull(steam().intStat(stat))));
    }
}

void setStat(nlohmann::json& request, Reply& reply) {
    const std::string& stat = name(request);
    if (isFloatKind(request)) {
        const double value = requireNumber(request, "value");
        if (!(std::fabs(value) <= FLT_MAX))
            refuse(R"("value" must be a number that fits a 32-bit float)");
        reply.send(Outcome::success(steam().setFloatStat(stat, static_cast<float>(value))));
    } else {
        const int64_t value = requireInteger(request, "value", INT32_MIN, INT32_MAX);
        reply.send(Outcome::success(steam().setIntStat(stat, static_cast<int32_t>(value))));
    }
}

void store(nlohmann::json&, Reply& reply) {
    reply.send(Outcome::success(steam().storeStats()));
}

void setRichPresence(nlohmann::json& request, Reply& reply) {
    const std::string& key = steamText(request, "key", kNameBytes);
    const std::string& value = steamText(request, "value", kValueBytes);
    reply.send(Outcome::success(steam().setRichPresence(key, value)));
}

void clearRichPresence(nlohmann::json&, Reply& reply) {
    steam().clearRichPresence();
    reply.send(Outcome::success());
}

void dlcInstalled(nlohmann::json& request, Reply& reply) {
    const auto appId = static_cast<uint32_t>(requireInteger(request, "appId", 1, UINT32_MAX));
    reply.send(Outcome::success(steam().dlcInstalled(appId)));
}

constexpr RequestType kSteamRequests[] = {
    {"steam.status", status},
    {"steam.achievement.set", setAchievement},
    {"steam.achievement.clear", clearAchievement},
    {"steam.achievement.get", getAchievement},
    {"steam.achievement.progress", indicateProgress},
    {"steam.stat.get", getStat},
    {"steam.stat.set", setStat},
    {"steam.store", store},
    {"steam.rich-presence.set", setRichPresence},
    {"steam.rich-presence.clear", clearRichPresence},
    {"steam.dlc.installed", dlcInstalled},
};

}  // namespace

std::span<const RequestType> steamRequests() {
    return kSteamRequests;
}

}  // namespace quorvane
