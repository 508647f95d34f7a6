#include "tag/base_n.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "test_seed.h"

namespace {

struct Encoding {
    std::uint32_t value;
    std::int32_t radix;
    const char* digits;
};

std::ostream& operator<<(std::ostream& out, const Encoding& e) {
    return out << e.value << " radix " << e.radix;
}

class EncodeBaseNKnown : public ::testing::TestWithParam<Encoding> {};

TEST_P(EncodeBaseNKnown, GivesDigits) {
    const Encoding& e = GetParam();
    EXPECT_EQ(e.digits, EncodeBaseN(e.value, e.radix));
}

INSTANTIATE_TEST_SUITE_P(
    Table, EncodeBaseNKnown,
    ::testing::Values(Encoding{0, 62, ""}, Encoding{0, 2, ""}, Encoding{1, 62, "1"},
                      Encoding{61, 62, "Z"}, Encoding{62, 62, "10"}, Encoding{3843, 62, "ZZ"},
                      Encoding{3844, 62, "100"}, Encoding{1686944627, 62, "1Qafmj"},
                      Encoding{0x648CBB73u, 62, "1Qafmj"}, Encoding{4294967295u, 62, "4GFfc3"},
                      Encoding{2147483648u, 16, "80000000"}, Encoding{255, 16, "ff"},
                      Encoding{10, 2, "1010"},
                      Encoding{4294967295u, 2, "11111111111111111111111111111111"},
                      Encoding{35, 36, "z"}, Encoding{36, 37, "A"}, Encoding{5, 1, ""},
                      Encoding{5, 0, ""}, Encoding{5, 63, ""}, Encoding{5, -1, ""},
                      Encoding{5, INT32_MIN, ""}));

TEST(DigitAlphabet, LowerCaseBeforeUpperCase) {
    EXPECT_EQ(62u, std::strlen(DigitAlphabet));
    EXPECT_EQ('a', DigitAlphabet[10]);
    EXPECT_EQ('z', DigitAlphabet[35]);
    EXPECT_EQ('A', DigitAlphabet[36]);
    EXPECT_EQ('Z', DigitAlphabet[61]);
}

// Reading the digits back must give the value, with no leading zero, in every
// radix; this catches a wrong digit order or a signed division.
TEST(EncodeBaseN, ReadsBackInEveryRadix) {
    const zentrail::test::TestSeed seed;
    std::mt19937 random(seed.value());
    for (std::int32_t radix = 2; radix <= 62; ++radix) {
        for (int n = 0; n < 200; ++n) {
            const std::uint32_t value = n == 0 ? 0xFFFFFFFFu : random() >> (n % 32);
            const std::string digits = EncodeBaseN(value, radix);
            if (value == 0) {
                EXPECT_TRUE(digits.empty());
                continue;
            }
            ASSERT_FALSE(digits.empty());
            EXPECT_NE('0', digits.front());
            std::uint64_t back = 0;
            for (char c : digits) {
                const char* at = std::strchr(DigitAlphabet, c);
                ASSERT_NE(nullptr, at);
                ASSERT_LT(at - DigitAlphabet, radix);
                back = back * static_cast<std::uint64_t>(radix) +
                       static_cast<std::uint64_t>(at - DigitAlphabet);
            }
            ASSERT_EQ(value, back) << "radix " << radix << " digits " << digits;
        }
    }
}

}  // namespace
