#include "loomkit/decimal_text.h"

#include <gtest/gtest.h>

#include <boost/format.hpp>
#include <random>
#include <string>

#include "test_seed.h"

namespace {

using loomkit::format_one_value;
using loomkit::to_decimal_text;

struct Decimal {
    std::uint32_t value;
    const char* text;
};

std::ostream& operator<<(std::ostream& out, const Decimal& d) { return out << d.value; }

class DecimalText : public ::testing::TestWithParam<Decimal> {};

TEST_P(DecimalText, IsUnsigned) {
    EXPECT_EQ(GetParam().text, to_decimal_text(GetParam().value));
    EXPECT_EQ(GetParam().text, format_one_value("%d", GetParam().value));
}

INSTANTIATE_TEST_SUITE_P(Table, DecimalText,
                         ::testing::Values(Decimal{0, "0"}, Decimal{7, "7"}, Decimal{1000, "1000"},
                                           Decimal{2147483647u, "2147483647"},
                                           Decimal{2147483648u, "2147483648"},
                                           Decimal{2657703298u, "2657703298"},
                                           Decimal{3499211612u, "3499211612"},
                                           Decimal{4294967295u, "4294967295"}));

TEST(DecimalText, AgreesWithStandardLibrary) {
    const zentrail::test::TestSeed seed;
    std::mt19937 random(seed.value());
    for (int i = 0; i < 1000; ++i) {
        const std::uint32_t value = random() >> (i % 32);
        ASSERT_EQ(std::to_string(value), to_decimal_text(value));
    }
}

TEST(FormatOneValue, SurroundingTextKept) {
    EXPECT_EQ("size 42 byte", format_one_value("size %d byte", 42));
}

TEST(FormatOneValue, NullFormatHasNoDirective) {
    // The library's own rule: a format without a directive refuses an argument.
    EXPECT_THROW(format_one_value(nullptr, 1), boost::io::too_many_args);
}

}  // namespace
