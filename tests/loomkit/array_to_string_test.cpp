#include "loomkit/array_to_string.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

namespace {

using loomkit::array_to_string;

struct Conversion {
    std::string input;  // the counted characters handed over
    bool strict;
    std::string expected;
};

std::ostream& operator<<(std::ostream& out, const Conversion& c) {
    return out << ::testing::PrintToString(c.input) << (c.strict ? " strict" : "");
}

class ConvertKept : public ::testing::TestWithParam<Conversion> {};

TEST_P(ConvertKept, GivesCharacters) {
    const Conversion& c = GetParam();
    const std::string out = array_to_string::convert(
        c.input.data(), static_cast<std::uint32_t>(c.input.size()), c.strict);
    EXPECT_EQ(c.expected, out);
    EXPECT_EQ('\0', out.c_str()[out.size()]);
}

using namespace std::string_literals;

INSTANTIATE_TEST_SUITE_P(
    Table, ConvertKept,
    ::testing::Values(Conversion{"abc", true, "abc"}, Conversion{"abc", false, "abc"},
                      Conversion{"a\0b"s, true, "a\0b"s},
                      // The start value keeps a leading NUL from completing a pair.
                      Conversion{"\0a"s, true, "\0a"s}, Conversion{"\0"s, true, "\0"s},
                      Conversion{"a\0"s, true, "a\0"s},
                      Conversion{"ab\0\0cd"s, false, "ab\0"s},
                      Conversion{"\0\0"s, false, "\0"s},
                      Conversion{"a\0b\0c"s, true, "a\0b\0c"s}));

TEST(ArrayToString, CountZeroReadsNothing) {
    EXPECT_EQ("", array_to_string::convert(nullptr, 0, true));
}

TEST(ArrayToString, StrictPairThrows) {
    using namespace std::string_literals;
    for (const std::string& input : {"ab\0\0cd"s, "\0\0"s, "abc\0\0"s}) {
        try {
            array_to_string::convert(input.data(), static_cast<std::uint32_t>(input.size()), true);
            ADD_FAILURE() << "no error for a NUL pair";
        } catch (const std::runtime_error& e) {
            EXPECT_STREQ("array_to_string::convert function: cannot convert", e.what());
        }
    }
}

}  // namespace
