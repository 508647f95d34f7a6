#pragma once
#include <cstdint>
#include <string>

namespace loomkit {

// Unsigned decimal text through Boost.Format "%d": never a sign, never
// empty (std::bad_alloc when its memory cannot be had).
std::string to_decimal_text(std::uint32_t value);

// format (null counts as empty) with its one directive replaced by value.
std::string format_one_value(const char* format, std::uint32_t value);

}  // namespace loomkit
