#include "tag/base_n.h"

#include <algorithm>

const char DigitAlphabet[63] = "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";

std::string EncodeBaseN(std::uint32_t value, std::int32_t radix) {
    std::string digits;
    if (radix < 2 || radix > 62) return digits;
    const auto base = static_cast<std::uint32_t>(radix);
    while (value != 0) {
        digits.push_back(DigitAlphabet[value % base]);
        value /= base;
    }
    std::reverse(digits.begin(), digits.end());
    return digits;
}
