#include "tag/crc32.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <boost/crc.hpp>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "test_seed.h"

namespace {

using Oracle = boost::crc_optimal<32, 0x04C11DB7, 0xFFFFFFFF, 0xFFFFFFFF, false, false>;

struct KnownChecksum {
    std::string bytes;
    std::uint32_t checksum;
};

std::ostream& operator<<(std::ostream& out, const KnownChecksum& c) {
    return out << ::testing::PrintToString(c.bytes);
}

class Crc32Known : public ::testing::TestWithParam<KnownChecksum> {};

TEST_P(Crc32Known, MatchesPublishedValue) {
    const KnownChecksum& c = GetParam();
    EXPECT_EQ(c.checksum, Crc32(c.bytes.data(), static_cast<std::int32_t>(c.bytes.size())));
}

INSTANTIATE_TEST_SUITE_P(
    Table, Crc32Known,
    ::testing::Values(KnownChecksum{"", 0x00000000u}, KnownChecksum{"a", 0x19939B6Bu},
                      KnownChecksum{"abc", 0x648CBB73u}, KnownChecksum{"123456789", 0xFC891918u},
                      KnownChecksum{std::string(1, '\0'), 0xB1F7404Bu},
                      KnownChecksum{"\x80", 0xD8FBA0A5u}, KnownChecksum{"\xFF", 0x000000FFu},
                      KnownChecksum{"Hello", 0x1A546492u}, KnownChecksum{"hello", 0x1931653Du}));

TEST(Crc32, CountZeroOrNegativeReadsNothing) {
    // A null pointer proves that no byte is read.
    EXPECT_EQ(0u, Crc32(nullptr, 0));
    EXPECT_EQ(0u, Crc32(nullptr, -1));
    EXPECT_EQ(0u, Crc32(nullptr, INT32_MIN));
}

TEST(Crc32, OnlyCountBytesAreRead) {
    const char text[] = "abcdef";
    EXPECT_EQ(0x648CBB73u, Crc32(text, 3));
}

// The GUI thread calls BuildCrc32Table before every refresh, over a table in
// use. Every entry shows in a one-byte checksum (see below), which Boost's
// bit-at-a-time CRC computes without a table. Under ctest each test runs in a
// process of its own, so the first call here is the table's first build.
TEST(Crc32, EveryEntryRightAfterEachRebuild) {
    for (int build = 1; build <= 3; ++build) {
        BuildCrc32Table();
        for (unsigned value = 0; value < 256; ++value) {
            const auto byte = static_cast<unsigned char>(value);
            boost::crc_basic<32> oracle(0x04C11DB7, 0xFFFFFFFF, 0xFFFFFFFF, false, false);
            oracle.process_byte(byte);
            ASSERT_EQ(oracle.checksum(), Crc32(&byte, 1))
                << "byte " << value << " after build " << build;
        }
    }
}

// The single bytes i << 24 fed through the checksum expose every table entry:
// Crc32 of one byte b is ~((0xFFFFFF << 8) ^ table[0xFF ^ b]).
TEST(Crc32, TableEntriesSeenThroughSingleBytes) {
    struct Row {
        unsigned index;
        std::uint32_t entry;
    };
    for (const Row& row : {Row{0, 0x00000000u}, Row{1, 0x04C11DB7u}, Row{2, 0x09823B6Eu},
                           Row{128, 0x690CE0EEu}, Row{255, 0xB1F740B4u}}) {
        const unsigned char byte = static_cast<unsigned char>(0xFF ^ row.index);
        EXPECT_EQ(~(0xFFFFFF00u ^ row.entry), Crc32(&byte, 1)) << "entry " << row.index;
    }
}

// Boost's generic CRC set up as CRC-32/BZIP2 is the independent oracle.
TEST(Crc32, AgreesWithBoostOnRandomBuffers) {
    const zentrail::test::TestSeed seed;
    std::mt19937 random(seed.value());
    std::vector<unsigned char> buffer;
    for (std::size_t length = 0; length < 4200; length += 1 + length / 7) {
        buffer.resize(length);
        for (unsigned char& b : buffer) b = static_cast<unsigned char>(random());
        Oracle oracle;
        oracle.process_bytes(buffer.data(), buffer.size());
        ASSERT_EQ(oracle.checksum(), Crc32(buffer.data(), static_cast<std::int32_t>(length)))
            << "length " << length;
    }
}

// Every split of a buffer into pieces, Restart included, gives Boost's
// checksum of the whole.
TEST(Crc32Stream, AnySplitGivesTheWholeChecksum) {
    const zentrail::test::TestSeed seed;
    std::mt19937 random(seed.value());
    std::vector<unsigned char> buffer(1500);
    for (unsigned char& b : buffer) b = static_cast<unsigned char>(random());
    Crc32Stream crc;
    EXPECT_EQ(0u, crc.Value());
    for (int trial = 0; trial < 300; ++trial) {
        const std::size_t length = random() % buffer.size();
        Oracle oracle;
        oracle.process_bytes(buffer.data(), length);
        crc.Add("junk", 4);
        crc.Restart();
        std::size_t done = 0;
        while (done < length) {
            const std::size_t piece = std::min<std::size_t>(length - done, random() % 9);
            crc.Add(buffer.data() + done, piece);
            done += piece;
        }
        ASSERT_EQ(oracle.checksum(), crc.Value()) << "length " << length;
    }
}

}  // namespace
