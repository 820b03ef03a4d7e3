#include "package/PatchTypeNumber.h"

#include <gtest/gtest.h>

namespace brisel {
namespace {

TEST(PatchType, ReadsDecimalAndHexadecimalThirtyTwoBitNumbers) {
    struct Case {
        const char* text;
        std::optional<std::int32_t> number;
    } cases[] = {
        {"0", 0},
        {"1", 1},
        {"+7", 7},
        {"-1", -1},
        {"007", 7},
        {"2147483647", 2147483647},
        {"-2147483648", INT32_MIN},
        {"2147483648", std::nullopt},
        {"-2147483649", std::nullopt},
        {"99999999999999999999", std::nullopt},
        {"$10", 16},
        {"x1f", 31},
        {"X1F", 31},
        {"0x10", 16},
        {"0XfF", 255},
        {"$7FFFFFFF", 2147483647},
        {"$80000000", INT32_MIN}, // above 0x7FFFFFFF: the 32-bit pattern
        {"$FFFFFFFF", -1},
        {"$100000000", std::nullopt}, // more than 32 bits
        {"$000000001", 1},            // leading zeros do not count
        {"-$1", std::nullopt},        // no sign before a hex prefix
        {"+0x1", std::nullopt},
        {"$", std::nullopt},
        {"0x", std::nullopt},
        {"", std::nullopt},
        {"+", std::nullopt},
        {"1 ", std::nullopt},
        {"1.0", std::nullopt},
        {"one", std::nullopt},
        {"１", std::nullopt}, // full-width digits are not digits
        {"$1G", std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ParseScriptInteger(c.text), c.number) << c.text;
    }
}

TEST(PatchType, AbsentIsZeroAndAnythingNotANumberIsOne) {
    EXPECT_EQ(PatchTypeFromValue(std::nullopt), 0);
    EXPECT_EQ(PatchTypeFromValue(String("")), 1);
    EXPECT_EQ(PatchTypeFromValue(String("abc")), 1);
    EXPECT_EQ(PatchTypeFromValue(String("0")), 0);
    EXPECT_EQ(PatchTypeFromValue(String("2")), 2);
    EXPECT_EQ(PatchTypeFromValue(String("-5")), -5);
}

} // namespace
} // namespace brisel
