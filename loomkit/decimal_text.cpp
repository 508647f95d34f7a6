#include "loomkit/decimal_text.h"

#include <boost/format.hpp>

namespace loomkit {

std::string format_one_value(const char* format, std::uint32_t value) {
    // Error reporting stays fully on (the library's default). The value goes
    // in as unsigned 32-bit, so "%d" never shows a minus sign.
    boost::format formatter(format != nullptr ? format : "");
    formatter % value;
    return formatter.str();
}

std::string to_decimal_text(std::uint32_t value) { return format_one_value("%d", value); }

}  // namespace loomkit
