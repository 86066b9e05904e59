#pragma once

#include <nlohmann/json.hpp>

#include <cstdint>
#include <optional>
#include <string>

namespace quorvane {

// Typed reads of one member of a parsed JSON value. Each returns the fallback when the parent is
// not an object, the member is absent, or the member has another JSON type; none of them throws.

// A string member, converted from UTF-8 to UTF-16.
std::wstring readStringOr(const nlohmann::json& parent, const char* key,
                          const std::wstring& fallback);

// A number member as a 32-bit signed integer: integers keep their low 32 bits, floating-point
// numbers are truncated toward zero, and those outside the 32-bit range give -2147483648.
int32_t readIntOr(const nlohmann::json& parent, const char* key, int32_t fallback);

// A JSON boolean member.
bool readBoolOr(const nlohmann::json& parent, const char* key, bool fallback);

// A JSON boolean member, or none, for a setting whose absence means "leave it as it is".
std::optional<bool> readBool(const nlohmann::json& parent, const char* key);

}  // namespace quorvane
