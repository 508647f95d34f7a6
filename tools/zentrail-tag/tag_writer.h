#pragma once
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

// Writes tag + "_" + code lines through a buffer of fixed size. The fallback
// number for an empty code is that of the given second, or of the current
// second when none is given; it is worked out once per second, not per line.
class TagWriter {
  public:
    TagWriter(std::FILE* out, std::string tag, std::optional<std::uint32_t> fixed_second);

    // false once writing has failed.
    bool WriteTagFor(std::string_view name);
    bool Flush();

  private:
    const std::string& FallbackText();
    bool Append(std::string_view bytes);

    std::FILE* out_;
    std::string tag_;
    std::optional<std::uint32_t> fixed_second_;
    std::optional<std::uint32_t> fallback_second_;
    std::string fallback_text_;
    std::string buffer_;
    bool failed_ = false;
};
