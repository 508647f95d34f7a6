#include "loomkit/array_to_string.h"

#include <stdexcept>

namespace loomkit {

std::string array_to_string::convert(const char* data, std::uint32_t count, bool strict) {
    std::string result;
    // Any non-NUL start will do: the first character can never complete a pair.
    char previous = 'a';
    for (std::uint32_t i = 0; i < count; ++i) {
        const char c = data[i];
        if (previous == '\0' && c == '\0') {
            if (strict)
                throw std::runtime_error("array_to_string::convert function: cannot convert");
            break;
        }
        result.push_back(c);
        previous = c;
    }
    return result;
}

}  // namespace loomkit
