#pragma once
// What every fuzz target shares: a check that stops the run with a message
// (libFuzzer then keeps the input), and the reference code of a name, worked
// out independently of the tag library.
#include <boost/crc.hpp>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#define FUZZ_CHECK(condition, what)                                                      \
    do {                                                                                 \
        if (!(condition)) {                                                              \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, what); \
            std::abort();                                                                \
        }                                                                                \
    } while (0)

namespace zentrail::fuzz {

// CRC-32/BZIP2 from Boost: not reflected, all ones in and out.
inline std::uint32_t ReferenceCrc(std::string_view bytes) {
    boost::crc_optimal<32, 0x04C11DB7, 0xFFFFFFFF, 0xFFFFFFFF, false, false> crc;
    crc.process_bytes(bytes.data(), bytes.size());
    return crc.checksum();
}

// Digits by repeated division into a text built from the right.
inline std::string ReferenceBase(std::uint32_t value, std::uint32_t radix) {
    static const char kDigits[] = "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
    std::string text;
    for (; value != 0; value /= radix) text.insert(text.begin(), kDigits[value % radix]);
    return text;
}

inline std::string ReferenceCode(std::string_view name) {
    return ReferenceBase(ReferenceCrc(name), 62);
}

}  // namespace zentrail::fuzz
