#pragma once

#include <string>
#include <vector>

namespace quorvane::testing {

// Compares a transcript with the lines expected, in order and complete; an expected line ending
// in "*" matches every line that starts with the text before it. Returns a readable difference,
// empty when they match.
std::string differenceFrom(const std::vector<std::string>& actual,
                           const std::vector<std::string>& expected);

}  // namespace quorvane::testing
