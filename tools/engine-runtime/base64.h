#pragma once

#include <string>
#include <string_view>

namespace quorvane::engine {

std::string base64Encode(std::string_view bytes);
// Characters outside the alphabet are skipped.
std::string base64Decode(std::string_view text);

}  // namespace quorvane::engine
