#pragma once
#include <cstdint>
#include <string>

namespace loomkit {

struct array_to_string {
    // Up to count characters of data. A single NUL is an ordinary character;
    // two in a row end the text (strict false) or throw std::runtime_error
    // (strict true).
    static std::string convert(const char* data, std::uint32_t count, bool strict);
};

}  // namespace loomkit
