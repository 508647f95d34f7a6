#include <gtest/gtest.h>

#include <cstring>
#include <ostream>
#include <string>

#include "about/hyper_link.h"

namespace {

struct ColorCase {
    const char* text;
    COLORREF expected;
};

void PrintTo(const ColorCase& c, std::ostream* out) {
    *out << ::testing::PrintToString(std::string(c.text));
}

class ParseColorTextTest : public ::testing::TestWithParam<ColorCase> {};

TEST_P(ParseColorTextTest, ReadsThreeParts) {
    char text[32];
    std::strcpy(text, GetParam().text);
    EXPECT_EQ(GetParam().expected, ParseColorText(text)) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ParseColorTextTest,
    ::testing::Values(
        ColorCase{"0,0,255", RGB(0, 0, 255)}, ColorCase{"128,0,128", RGB(128, 0, 128)},
        ColorCase{"0,128,0", RGB(0, 128, 0)}, ColorCase{"255,255,255", RGB(255, 255, 255)},
        ColorCase{"0,0,0", RGB(0, 0, 0)},
        // Only the low 8 bits of each part are kept.
        ColorCase{"300,0,0", RGB(44, 0, 0)}, ColorCase{"0,256,511", RGB(0, 0, 255)},
        ColorCase{"-2,0,0", RGB(254, 0, 0)},
        // A blue of -1 is a number like any other.
        ColorCase{"0,0,-1", RGB(0, 0, 255)},
        // Digits stop each part; no digits read as 0.
        ColorCase{"a,b,c", RGB(0, 0, 0)}, ColorCase{",,5", RGB(0, 0, 5)},
        ColorCase{"1,2,3,4", RGB(1, 2, 3)}, ColorCase{" 1, 2, 3", RGB(1, 2, 3)},
        ColorCase{"7x,8y,9z", RGB(7, 8, 9)},
        // Too large a number saturates instead of wrapping.
        ColorCase{"99999999999,0,0", RGB(255, 0, 0)},
        // Rejected: fewer than three parts, or a part that is -1.
        ColorCase{"255,0", CLR_INVALID}, ColorCase{"1,2,", CLR_INVALID},
        ColorCase{",,", CLR_INVALID}, ColorCase{"12", CLR_INVALID}, ColorCase{"", CLR_INVALID},
        ColorCase{"-1,0,0", CLR_INVALID}, ColorCase{"0,-1,0", CLR_INVALID}));

TEST(ParseColorText, EndsEachPartWithANul) {
    char text[] = "10,20,30";
    EXPECT_EQ(RGB(10, 20, 30), ParseColorText(text));
    EXPECT_STREQ("10", text);
    EXPECT_STREQ("20", text + 3);
    EXPECT_STREQ("30", text + 6);
}

TEST(ParseColorText, NullIsRejected) { EXPECT_EQ(CLR_INVALID, ParseColorText(nullptr)); }

}  // namespace
