#pragma once
// The code of a name computed apart from the program, to check what it
// shows: CRC-32/BZIP2 by Boost and a plain writing of it in any radix.
#include <boost/crc.hpp>

#include <cstdint>
#include <string>
#include <string_view>

namespace zentrail::soak {

inline std::uint32_t ReferenceChecksum(std::string_view bytes) {
    boost::crc_optimal<32, 0x04C11DB7, 0xFFFFFFFF, 0xFFFFFFFF, false, false> crc;
    crc.process_bytes(bytes.data(), bytes.size());
    return crc.checksum();
}

// Most significant digit first, by repeated division; 0 has no digits.
inline std::string ReferenceDigits(std::uint32_t value, std::uint32_t radix = 62) {
    static const char digits[] = "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
    std::string text;
    for (; value != 0; value /= radix) text.insert(text.begin(), digits[value % radix]);
    return text;
}

// What the output shows for a name whose checksum is not 0.
inline std::string ReferenceOutput(std::string_view tag, std::string_view name) {
    return std::string(tag) + "_" + ReferenceDigits(ReferenceChecksum(name));
}

}  // namespace zentrail::soak
