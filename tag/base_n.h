#pragma once
#include <cstdint>
#include <string>

// Digit characters by value: 0-9, then a-z, then A-Z.
extern const char DigitAlphabet[63];

// value written in radix (2..62), most significant digit first, no leading
// zeros. 0, and any radix outside 2..62, give the empty text.
std::string EncodeBaseN(std::uint32_t value, std::int32_t radix);
