#include "messaging/request_members.h"

#include "messaging/page_reply.h"

namespace quorvane {

namespace {

[[noreturn]] void refuse(const char* key, const std::string& what) {
    throw RequestFailure{RequestError::BadRequest, std::string("\"") + key + "\" " + what};
}

const nlohmann::json& member(const nlohmann::json& request, const char* key) {
    const auto it = request.find(key);
    if (it == request.end())
        refuse(key, "is missing");
    return *it;
}

int64_t integerIn(const nlohmann::json& value, const char* key, int64_t low, int64_t high) {
    const std::string range =
        "an integer from " + std::to_string(low) + " to " + std::to_string(high);
    if (value.is_number_unsigned()) {
        const uint64_t number = value.get<uint64_t>();
        if (high >= 0 && number <= static_cast<uint64_t>(high) &&
            static_cast<int64_t>(number) >= low)
            return static_cast<int64_t>(number);
    } else if (value.is_number_integer()) {
        const int64_t number = value.get<int64_t>();
        if (number >= low && number <= high)
            return number;
    }
    refuse(key, "must be " + range);
}

}  // namespace

const std::string& requireString(const nlohmann::json& request, const char* key) {
    const nlohmann::json& value = member(request, key);
    if (!value.is_string())
        refuse(key, "must be a string");
    return value.get_ref<const std::string&>();
}

std::string takeString(nlohmann::json& request, const char* key) {
    requireString(request, key);
    return std::move(request[key].get_ref<std::string&>());
}

int64_t requireInteger(const nlohmann::json& request, const char* key, int64_t low, int64_t high) {
    return integerIn(member(request, key), key, low, high);
}

int64_t integerOr(const nlohmann::json& request, const char* key, int64_t low, int64_t high,
                  int64_t fallback) {
    const auto it = request.find(key);
    return it == request.end() ? fallback : integerIn(*it, key, low, high);
}

double requireNumber(const nlohmann::json& request, const char* key) {
    const nlohmann::json& value = member(request, key);
    if (!value.is_number())
        refuse(key, "must be a number");
    return value.get<double>();
}

}  // namespace quorvane
