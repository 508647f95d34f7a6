// The checksum, its digits and the composed tag, each against the reference
// worked out apart from the program (Boost's CRC, plain division).
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <random>
#include <string>

#include "reference_code.h"
#include "tag/base_n.h"
#include "tag/crc32.h"
#include "tag/tag_composer.h"
#include "test_seed.h"

namespace {

using namespace std::string_literals;
using zentrail::soak::ReferenceChecksum;
using zentrail::soak::ReferenceDigits;

std::uint32_t Checksum(const std::string& bytes) {
    return Crc32(bytes.data(), static_cast<std::int32_t>(bytes.size()));
}

// The GUI thread rebuilds the table before every refresh, over a table in
// use; each entry shows in a one-byte checksum. ctest gives this case a
// process of its own, so the first call is the table's first build. Then
// lengths around every step width, from every start offset: Crc32 must read
// only the counted bytes, and none at all for a count of 0 or less. The
// stream's pieces may split the bytes anywhere. The digits agree with plain
// division.
TEST(ReferenceCode, ChecksumAndDigitsAgreeWithTheReferences) {
    for (int build = 1; build <= 3; ++build) {
        BuildCrc32Table();
        for (int value = 0; value < 256; ++value) {
            const std::string byte(1, static_cast<char>(value));
            ASSERT_EQ(ReferenceChecksum(byte), Checksum(byte)) << value << " build " << build;
        }
    }
    const zentrail::test::TestSeed seed;
    std::mt19937 random(seed.value());
    std::string buffer(4200, '\0');
    for (char& b : buffer) b = static_cast<char>(random());
    for (std::size_t length = 0; length < 4100; length += 1 + length / 7) {
        const std::string piece = buffer.substr(length % 8, length);
        ASSERT_EQ(ReferenceChecksum(piece), Checksum(piece)) << "length " << length;
    }
    for (const std::int32_t count : {0, -1, INT32_MIN}) EXPECT_EQ(0u, Crc32(nullptr, count));
    Crc32Stream crc;
    EXPECT_EQ(0u, crc.Value());
    for (int trial = 0; trial < 300; ++trial) {
        const std::size_t length = random() % buffer.size();
        crc.Add("junk", 4);
        crc.Restart();
        for (std::size_t done = 0, piece; done < length; done += piece) {
            piece = std::min<std::size_t>(length - done, random() % 19);
            crc.Add(buffer.data() + done, piece);
        }
        ASSERT_EQ(ReferenceChecksum(buffer.substr(0, length)), crc.Value()) << length;
    }
    // Every radix, and the radices outside 2..62 that give no digits at all.
    for (std::int32_t radix = 2; radix <= 62; ++radix) {
        for (int n = 0; n < 200; ++n) {
            const std::uint32_t value = n < 2 ? 0xFFFFFFFFu * n : random() >> (n % 32);
            ASSERT_EQ(ReferenceDigits(value, static_cast<std::uint32_t>(radix)),
                      EncodeBaseN(value, radix))
                << value << " radix " << radix;
        }
    }
    for (const std::int32_t radix : {1, 0, 63, -1, -62, INT32_MIN}) {
        EXPECT_EQ("", EncodeBaseN(5, radix)) << "radix " << radix;
    }
}

// The worked examples; a non-empty code never touches the generator.
TEST(ComposeTag, WorkedExamplesAndTheFallback) {
    for (const auto& [tag, name, output] :
         std::vector<std::array<std::string, 3>>{{"x", "abc", "x_1Qafmj"},
                                                 {"tag", "123456789", "tag_4CJmu4"},
                                                 {"#news", "Hello", "#news_tTukG"},
                                                 {"t\0g"s, "abc", "t\0g_1Qafmj"s}}) {
        MtGenerator random(1234567890);
        EXPECT_EQ(output, ComposeTag(tag, name, random));
        EXPECT_EQ(kMtWords, random.handle->index);
    }
    // An empty name, and one whose checksum is 0, take the next value of the
    // generator; a generator without memory gives no number.
    MtGenerator random(1234567890);
    EXPECT_EQ("x_2657703298", ComposeTag("x", "", random));
    EXPECT_EQ(1u, random.handle->index);
    std::mt19937 expected(1234567890);
    expected();
    EXPECT_EQ("x_" + std::to_string(expected()), ComposeTag("x", "", random));

    // Four bytes B fed to a register c leave F(c ^ B), F being 32 shift steps:
    // undoing them on the register that complements to 0 gives the bytes.
    std::uint32_t wanted = 0xFFFFFFFFu;
    for (int step = 0; step < 32; ++step) {
        wanted = (wanted & 1u) ? ((wanted ^ 0x04C11DB7u) >> 1) | 0x80000000u : wanted >> 1;
    }
    std::string name = "zero";
    const std::uint32_t word = ~ReferenceChecksum(name) ^ wanted;
    for (int shift = 24; shift >= 0; shift -= 8) name.push_back(static_cast<char>(word >> shift));
    ASSERT_EQ(0u, ReferenceChecksum(name));
    MtGenerator other(7);
    EXPECT_EQ("x_" + std::to_string(std::mt19937(7)()), ComposeTag("x", name, other));

    mt_destroy(&other);
    other.handle = nullptr;  // as when its memory could not be had
    EXPECT_EQ("x_", ComposeTag("x", name, other));
    EXPECT_EQ("x_1Qafmj", ComposeTag("x", "abc", other));
}

}  // namespace
