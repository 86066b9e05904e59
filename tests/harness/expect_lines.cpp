#include "tests/harness/expect_lines.h"

namespace quorvane::testing {

namespace {

bool matches(const std::string& line, const std::string& expected) {
    if (!expected.empty() && expected.back() == '*') {
        return line.compare(0, expected.size() - 1, expected, 0, expected.size() - 1) == 0;
    }
    return line == expected;
}

std::string listing(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines)
        text += "  " + line + "\n";
    return text;
}

}  // namespace

std::string differenceFrom(const std::vector<std::string>& actual,
                           const std::vector<std::string>& expected) {
    bool same = actual.size() == expected.size();
    for (size_t i = 0; same && i < actual.size(); ++i)
        same = matches(actual[i], expected[i]);
    if (same)
        return {};
    return "transcript:\n" + listing(actual) + "expected:\n" + listing(expected);
}

}  // namespace quorvane::testing
