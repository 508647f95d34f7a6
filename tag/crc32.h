#pragma once
#include <cstddef>
#include <cstdint>

// CRC-32/BZIP2: polynomial 0x04C11DB7, most significant bit first, initial
// register 0xFFFFFFFF, result complemented. "123456789" gives 0xFC891918.
// The lookup table is built on first use; only the GUI thread builds it.
void BuildCrc32Table();

// Checksum of count bytes; a count of 0 or less reads nothing and gives 0.
std::uint32_t Crc32(const void* bytes, std::int32_t count);

// The register after count more bytes have entered it.
std::uint32_t Crc32Continue(std::uint32_t crc_register, const void* bytes, std::size_t count);

// The same checksum over bytes that come in pieces, so that a long text never
// has to be held whole: Value() after any split of the bytes into Add calls
// equals Crc32 of all of them.
class Crc32Stream {
  public:
    Crc32Stream() { BuildCrc32Table(); }

    void Add(const void* bytes, std::size_t count) {
        register_ = Crc32Continue(register_, bytes, count);
    }
    std::uint32_t Value() const { return ~register_; }
    void Restart() { register_ = kStart; }

  private:
    static constexpr std::uint32_t kStart = 0xFFFFFFFFu;
    std::uint32_t register_ = kStart;
};
