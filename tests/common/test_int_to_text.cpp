#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>

#include "common/int_to_text.h"

TEST(IntToText, FormatsAcrossRadixWidthAndPad)
{
    const struct {
        int32_t value;
        int radix, width;
        char pad;
        const char *expected;
        // clang-format off
    } cases[] = {
        {42, 10, 5, '0', "00042"},     {-42, 10, 5, '0', "-0042"}, {-42, 10, 5, ' ', "  -42"},
        {-42, 10, 5, 0, "-42"},        {0, 10, 10, 0, "0"},        {255, 16, 1, 0, "FF"},
        {255, 2, 1, 0, "11111111"},    {35, 36, 1, 0, "Z"},        {INT32_MIN, 10, 1, 0, "-2147483648"},
        {INT32_MIN, 16, 1, 0, "-80000000"}, {INT32_MAX, 10, 1, 0, "2147483647"},
        {INT32_MIN, 2, 1, 0, "-10000000000000000000000000000000"},
        {-5, 10, 2, '0', "-5"},        {-5, 10, 2, ' ', "-5"},     {7, 10, 3, '*', "**7"},
        // A padded field narrower than the number grows instead of losing digits.
        {12345, 10, 3, '0', "12345"},  {-42, 10, 3, '0', "-42"},
    };
    // clang-format on
    for (const auto &c : cases) {
        char buffer[64];
        std::memset(buffer, 'x', sizeof buffer);
        int n = intToText(buffer, sizeof buffer, c.value, c.radix, c.width, c.pad);
        EXPECT_EQ(std::string(buffer), c.expected) << c.value << " radix " << c.radix << " width " << c.width;
        EXPECT_EQ(n, static_cast<int>(std::strlen(c.expected))) << c.value;
    }
}

TEST(IntToText, BadArgumentsAndShortBuffersWriteNothing)
{
    char buffer[8] = "keep";
    for (int radix : {1, 37, 0, -10})
        EXPECT_EQ(intToText(buffer, sizeof buffer, 5, radix, 3, '0'), -1) << radix;
    EXPECT_EQ(intToText(buffer, sizeof buffer, 5, 10, 0, '0'), -1);
    EXPECT_EQ(intToText(buffer, 5, 123456, 10, 1, 0), -1);  // digits do not fit
    EXPECT_EQ(intToText(buffer, 5, 1, 10, 5, '0'), -1);     // the field does not fit
    EXPECT_STREQ(buffer, "keep");
    EXPECT_EQ(intToText(buffer, 6, -1234, 10, 1, 0), 5);  // exactly fits
    EXPECT_STREQ(buffer, "-1234");
    char worst[INT_TO_TEXT_MAX];
    EXPECT_EQ(intToText(worst, sizeof worst, INT32_MIN, 2, 1, 0), 33);
}
