#pragma once
#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

// Writes tag + "_" + code lines through a buffer of fixed size. The fallback
// number for an empty code is that of the given second, or of the current
// second when none is given; it is worked out once per second, not per line.
// Memory that cannot be had is std::bad_alloc, with no part of its line
// written.
class TagWriter {
  public:
    TagWriter(std::FILE* out, std::string tag, std::optional<std::uint32_t> fixed_second);

    // The line for a name given whole, and for a name's CRC-32/BZIP2.
    // false once writing has failed.
    bool WriteTagFor(std::string_view name);
    bool WriteTagForChecksum(std::uint32_t checksum);
    bool Flush();

    // errno of the failed write, 0 when none was set.
    int error() const { return error_; }

  private:
    const std::string& FallbackText();
    bool Append(std::string_view bytes);
    bool Fail();

    std::FILE* out_;
    std::string tag_;
    std::optional<std::uint32_t> fixed_second_;
    std::optional<std::uint32_t> fallback_second_;
    std::string fallback_text_;
    std::unique_ptr<char[]> buffer_;
    std::size_t used_ = 0;
    bool failed_ = false;
    int error_ = 0;
};
