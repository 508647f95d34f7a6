#pragma once
#include <cstdint>

// CRC-32/BZIP2: polynomial 0x04C11DB7, most significant bit first, initial
// register 0xFFFFFFFF, result complemented. "123456789" gives 0xFC891918.
// The lookup table is built on first use; only the GUI thread builds it.
void BuildCrc32Table();

// Checksum of count bytes; a count of 0 or less reads nothing and gives 0.
std::uint32_t Crc32(const void* bytes, std::int32_t count);
