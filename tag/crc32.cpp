#include "tag/crc32.h"

namespace {

constexpr std::uint32_t kPolynomial = 0x04C11DB7;

// crc32_table[k][b]: what byte b does to the register when k more bytes
// follow it. Row 0 is the usual byte-at-a-time table.
std::uint32_t crc32_table[8][256];
bool crc32_table_built = false;

std::uint32_t BigEndianWord(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) << 24 | static_cast<std::uint32_t>(p[1]) << 16 |
           static_cast<std::uint32_t>(p[2]) << 8 | static_cast<std::uint32_t>(p[3]);
}

}  // namespace

void BuildCrc32Table() {
    if (crc32_table_built) return;
    for (std::uint32_t i = 0; i < 256; ++i) {
        std::uint32_t r = i << 24;
        for (int step = 0; step < 8; ++step) {
            r = (r & 0x80000000u) ? (r << 1) ^ kPolynomial : r << 1;
        }
        crc32_table[0][i] = r;
    }
    for (int k = 1; k < 8; ++k) {
        for (std::uint32_t i = 0; i < 256; ++i) {
            const std::uint32_t r = crc32_table[k - 1][i];
            crc32_table[k][i] = (r << 8) ^ crc32_table[0][r >> 24];
        }
    }
    crc32_table_built = true;
}

std::uint32_t Crc32Continue(std::uint32_t crc_register, const void* bytes, std::size_t count) {
    const auto* t = crc32_table;
    const auto* p = static_cast<const unsigned char*>(bytes);
    const unsigned char* const end = p + count;
    std::uint32_t c = crc_register;
    // Eight bytes per step, each looked up in the row for its distance from
    // the end of the step: the eight lookups are independent, so the chain
    // from one step to the next is one lookup deep instead of eight.
    while (end - p >= 8) {
        c ^= BigEndianWord(p);
        const std::uint32_t d = BigEndianWord(p + 4);
        c = t[7][c >> 24] ^ t[6][(c >> 16) & 0xFF] ^ t[5][(c >> 8) & 0xFF] ^ t[4][c & 0xFF] ^
            t[3][d >> 24] ^ t[2][(d >> 16) & 0xFF] ^ t[1][(d >> 8) & 0xFF] ^ t[0][d & 0xFF];
        p += 8;
    }
    if (end - p >= 4) {
        c ^= BigEndianWord(p);
        c = t[3][c >> 24] ^ t[2][(c >> 16) & 0xFF] ^ t[1][(c >> 8) & 0xFF] ^ t[0][c & 0xFF];
        p += 4;
    }
    while (p != end) {
        c = (c << 8) ^ t[0][(c >> 24) ^ *p++];
    }
    return c;
}

std::uint32_t Crc32(const void* bytes, std::int32_t count) {
    BuildCrc32Table();
    if (count <= 0) return 0;
    return ~Crc32Continue(0xFFFFFFFFu, bytes, static_cast<std::size_t>(count));
}
