#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "manifest/json_read.h"

namespace quorvane {
namespace {

using nlohmann::json;

TEST(TypedReads, FallBackForEveryParentThatIsNotAnObject) {
    const json parents[] = {json(),  json::array({1, 2}), json("text"),
                            json(3), json(true),          json::object()};
    for (const json& parent : parents) {
        EXPECT_EQ(readStringOr(parent, "k", L"fallback"), L"fallback") << parent.dump();
        EXPECT_EQ(readIntOr(parent, "k", 42), 42) << parent.dump();
        EXPECT_EQ(readBoolOr(parent, "k", true), true) << parent.dump();
        EXPECT_EQ(readBoolOr(parent, "k", false), false) << parent.dump();
    }
}

TEST(TypedReads, WrongTypesGiveTheFallback) {
    json parent = json::parse(R"({"s":1,"i":"7","b":1,"t":true,"n":null,"o":{},"a":[]})");
    EXPECT_EQ(readStringOr(parent, "s", L"f"), L"f");
    EXPECT_EQ(readStringOr(parent, "n", L"f"), L"f");
    EXPECT_EQ(readStringOr(parent, "o", L"f"), L"f");
    EXPECT_EQ(readIntOr(parent, "i", 9), 9);
    EXPECT_EQ(readIntOr(parent, "t", 9), 9);
    EXPECT_EQ(readIntOr(parent, "n", 9), 9);
    EXPECT_EQ(readIntOr(parent, "a", 9), 9);
    EXPECT_EQ(readBoolOr(parent, "b", false), false);
    EXPECT_EQ(readBoolOr(parent, "s", true), true);
}

TEST(TypedReads, IntegersAndFloats) {
    struct Case {
        const char* number;
        int32_t expected;
    } cases[] = {
        {"0", 0},
        {"-0.0", 0},
        {"2147483647", 2147483647},
        {"2147483648", INT32_MIN},
        {"-2147483648", INT32_MIN},
        {"-2147483649", 2147483647},
        {"4294967296", 0},
        {"4294968096", 800},
        {"-4294967297", -1},
        {"800.9", 800},
        {"-1.5", -1},
        {"-0.5", 0},
        {"1e3", 1000},
        {"2147483647.9", 2147483647},
        {"-2147483648.9", INT32_MIN},
        {"2147483648.0", INT32_MIN},
        {"-2147483649.0", INT32_MIN},
        {"1e300", INT32_MIN},
        {"-1e300", INT32_MIN},
        {"1e-300", 0},
    };
    for (const auto& c : cases) {
        json parent = json::parse(std::string("{\"v\":") + c.number + "}");
        EXPECT_EQ(readIntOr(parent, "v", 5), c.expected) << c.number;
    }
}

TEST(TypedReads, StringsConvertToUtf16) {
    json parent = json::parse("{\"e\":\"\",\"t\":\"caf\xC3\xA9\"}");
    EXPECT_EQ(readStringOr(parent, "e", L"f"), L"");
    EXPECT_EQ(readStringOr(parent, "t", L"f"), L"caf\x00E9");
    EXPECT_EQ(readBoolOr(json::parse(R"({"b":false})"), "b", true), false);
    EXPECT_EQ(readBoolOr(json::parse(R"({"b":true})"), "b", false), true);
}

}  // namespace
}  // namespace quorvane
