#include "tag/crc32.h"

namespace {

constexpr std::uint32_t kPolynomial = 0x04C11DB7;

std::uint32_t crc32_table[256];
bool crc32_table_built = false;

}  // namespace

void BuildCrc32Table() {
    if (crc32_table_built) return;
    for (std::uint32_t i = 0; i < 256; ++i) {
        std::uint32_t r = i << 24;
        for (int step = 0; step < 8; ++step) {
            r = (r & 0x80000000u) ? (r << 1) ^ kPolynomial : r << 1;
        }
        crc32_table[i] = r;
    }
    crc32_table_built = true;
}

std::uint32_t Crc32(const void* bytes, std::int32_t count) {
    BuildCrc32Table();
    if (count <= 0) return 0;
    const auto* p = static_cast<const unsigned char*>(bytes);
    const unsigned char* const end = p + count;
    std::uint32_t c = 0xFFFFFFFFu;
    // Four bytes enter the register at once, the first one highest; each step
    // then looks up the top byte and shifts it out. Same lookups as byte by
    // byte, but the chain from one lookup to the next loses the merge of the
    // input byte, which is most of the time a byte costs after the load.
    while (end - p >= 4) {
        c ^= static_cast<std::uint32_t>(p[0]) << 24 | static_cast<std::uint32_t>(p[1]) << 16 |
             static_cast<std::uint32_t>(p[2]) << 8 | static_cast<std::uint32_t>(p[3]);
        c = (c << 8) ^ crc32_table[c >> 24];
        c = (c << 8) ^ crc32_table[c >> 24];
        c = (c << 8) ^ crc32_table[c >> 24];
        c = (c << 8) ^ crc32_table[c >> 24];
        p += 4;
    }
    while (p != end) {
        c = (c << 8) ^ crc32_table[(c >> 24) ^ *p++];
    }
    return ~c;
}
