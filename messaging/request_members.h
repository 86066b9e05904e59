#pragma once

#include <nlohmann/json.hpp>

#include <cstdint>
#include <string>

namespace quorvane {

// Reads of a request's members that refuse the request ("bad-request", naming the member) when the
// member is missing or of another JSON type.

// A string member; the request keeps it (|request| is not changed).
const std::string& requireString(const nlohmann::json& request, const char* key);

// A string member moved out of the request: a save's text may be 16 MiB.
std::string takeString(nlohmann::json& request, const char* key);

// An integer member (a JSON number without fraction or exponent part) within [low, high];
// |fallback| when the member is absent, if given.
int64_t requireInteger(const nlohmann::json& request, const char* key, int64_t low, int64_t high);
int64_t integerOr(const nlohmann::json& request, const char* key, int64_t low, int64_t high,
                  int64_t fallback);

// A number member, integer or not.
double requireNumber(const nlohmann::json& request, const char* key);

}  // namespace quorvane
