#include "tag/tag_composer.h"

#include "tag/crc32.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "test_seed.h"

namespace {

using namespace std::string_literals;

struct Composition {
    std::string tag;
    std::string name;
    std::string output;
};

std::ostream& operator<<(std::ostream& out, const Composition& c) {
    return out << ::testing::PrintToString(c.tag) << " " << ::testing::PrintToString(c.name);
}

class ComposeTagKnown : public ::testing::TestWithParam<Composition> {};

// A non-empty code never touches the generator.
TEST_P(ComposeTagKnown, GivesOutputWithoutDrawing) {
    MtGenerator random(1234567890);
    ASSERT_NE(nullptr, random.handle);
    EXPECT_EQ(GetParam().output, ComposeTag(GetParam().tag, GetParam().name, random));
    EXPECT_EQ(kMtWords, random.handle->index);
}

INSTANTIATE_TEST_SUITE_P(Table, ComposeTagKnown,
                         ::testing::Values(Composition{"x", "abc", "x_1Qafmj"},
                                           Composition{"", "abc", "_1Qafmj"},
                                           Composition{"tag", "123456789", "tag_4CJmu4"},
                                           Composition{"x", "a", "x_t2txV"},
                                           Composition{"#news", "Hello", "#news_tTukG"},
                                           Composition{"#news", "hello", "#news_sBt93"},
                                           Composition{"x", "abc ", "x_uqZbO"},
                                           Composition{"  a_b  ", "abc", "  a_b  _1Qafmj"},
                                           Composition{"t\0g"s, "abc", "t\0g_1Qafmj"s}));

TEST(ComposeTag, EmptyNameTakesFirstValueOfTheSecond) {
    MtGenerator random(1234567890);
    EXPECT_EQ("x_2657703298", ComposeTag("x", "", random));
    EXPECT_EQ(1u, random.handle->index);

    MtGenerator other(5489);
    EXPECT_EQ("_3499211612", ComposeTag("", "", other));
}

// A name whose checksum is 0 also takes the fallback. Feeding four bytes B
// to a register c leaves F(c ^ B), F being 32 shift steps, so undoing those
// steps on the register that complements to 0 tells which four bytes to add.
std::string NameWithZeroChecksum() {
    std::uint32_t wanted = 0xFFFFFFFFu;
    for (int step = 0; step < 32; ++step) {
        wanted = (wanted & 1u) ? ((wanted ^ 0x04C11DB7u) >> 1) | 0x80000000u : wanted >> 1;
    }
    std::string name = "zero";
    const std::uint32_t word = ~Crc32(name.data(), 4) ^ wanted;
    for (int shift = 24; shift >= 0; shift -= 8) name.push_back(static_cast<char>(word >> shift));
    return name;
}

TEST(ComposeTag, NameWithZeroChecksumTakesFallback) {
    const std::string name = NameWithZeroChecksum();
    ASSERT_EQ(0u, Crc32(name.data(), static_cast<std::int32_t>(name.size())));
    MtGenerator random(7);
    EXPECT_EQ("x_" + std::to_string(std::mt19937(7)()), ComposeTag("x", name, random));
}

TEST(ComposeTag, NoGeneratorGivesNoNumber) {
    MtGenerator random(1);
    mt_destroy(&random);
    random.handle = nullptr;  // as when its memory could not be had
    EXPECT_EQ("x_", ComposeTag("x", "", random));
    EXPECT_EQ("x_1Qafmj", ComposeTag("x", "abc", random));
}

TEST(ComposeTag, SuffixLengthBounds) {
    const zentrail::test::TestSeed seed;
    std::mt19937 random(seed.value());
    for (int i = 0; i < 2000; ++i) {
        std::string name(1 + random() % 12, 'a');
        for (char& c : name) c = static_cast<char>(random());
        MtGenerator generator(random());
        const std::string out = ComposeTag("t", name, generator);
        ASSERT_EQ("t_", out.substr(0, 2));
        ASSERT_GE(out.size(), 3u);
        ASSERT_LE(out.size(), 2u + 10u);
    }
}

}  // namespace
