#include "loomkit/decimal_text.h"

#include <boost/format.hpp>
#include <new>

namespace loomkit {

std::string format_one_value(const char* format, std::uint32_t value) {
    // Error reporting stays fully on (the library's default). The value goes
    // in as unsigned 32-bit, so "%d" never shows a minus sign.
    boost::format formatter(format != nullptr ? format : "");
    formatter % value;
    return formatter.str();
}

std::string to_decimal_text(std::uint32_t value) {
    std::string text = format_one_value("%d", value);
    // The formatter's stream swallows a failed growth and leaves the number
    // out; a number always has a digit, so no text means no memory.
    if (text.empty()) throw std::bad_alloc();
    return text;
}

}  // namespace loomkit
