#include "manifest/json_read.h"

#include <cmath>

#include "platform/utf8.h"

namespace quorvane {
namespace {

const nlohmann::json* member(const nlohmann::json& parent, const char* key) {
    if (!parent.is_object())
        return nullptr;
    auto it = parent.find(key);
    if (it == parent.end())
        return nullptr;
    return &*it;
}

// What a float-to-int conversion gives on x64 (cvttsd2si): truncation toward zero, and the
// "integer indefinite" value 0x80000000 for anything outside the 32-bit range or NaN.
int32_t truncateToInt32(double value) {
    if (!(value > -2147483649.0 && value < 2147483648.0))
        return INT32_MIN;
    return static_cast<int32_t>(std::trunc(value));
}

}  // namespace

std::wstring readStringOr(const nlohmann::json& parent, const char* key,
                          const std::wstring& fallback) {
    const nlohmann::json* value = member(parent, key);
    if (value == nullptr || !value->is_string())
        return fallback;
    return utf8ToWide(value->get_ref<const std::string&>());
}

int32_t readIntOr(const nlohmann::json& parent, const char* key, int32_t fallback) {
    const nlohmann::json* value = member(parent, key);
    if (value == nullptr)
        return fallback;
    if (value->is_number_unsigned()) {
        return static_cast<int32_t>(static_cast<uint32_t>(value->get<uint64_t>()));
    }
    if (value->is_number_integer()) {
        return static_cast<int32_t>(static_cast<uint32_t>(value->get<int64_t>()));
    }
    if (value->is_number_float())
        return truncateToInt32(value->get<double>());
    return fallback;
}

bool readBoolOr(const nlohmann::json& parent, const char* key, bool fallback) {
    return readBool(parent, key).value_or(fallback);
}

std::optional<bool> readBool(const nlohmann::json& parent, const char* key) {
    const nlohmann::json* value = member(parent, key);
    if (value == nullptr || !value->is_boolean())
        return std::nullopt;
    return value->get<bool>();
}

}  // namespace quorvane
