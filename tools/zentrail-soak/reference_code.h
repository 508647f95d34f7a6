#pragma once
// The code of a name computed apart from the program, to check what its
// window shows: CRC-32/BZIP2 by Boost and a plain base-62 writing of it.
#include <boost/crc.hpp>

#include <cstdint>
#include <string>

namespace zentrail::soak {

inline std::uint32_t ReferenceChecksum(const std::string& bytes) {
    boost::crc_optimal<32, 0x04C11DB7, 0xFFFFFFFF, 0xFFFFFFFF, false, false> crc;
    crc.process_bytes(bytes.data(), bytes.size());
    return crc.checksum();
}

// Most significant digit first; 0 is "0".
inline std::string ReferenceBase62(std::uint32_t value) {
    static const char digits[] = "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
    std::string text;
    do {
        text.insert(text.begin(), digits[value % 62]);
        value /= 62;
    } while (value != 0);
    return text;
}

// What the output field shows for a name whose checksum is not 0.
inline std::string ReferenceOutput(const std::string& tag, const std::string& name) {
    return tag + "_" + ReferenceBase62(ReferenceChecksum(name));
}

}  // namespace zentrail::soak
