#include "loomkit/window_text.h"

#include <cstring>

#include "loomkit/array_to_string.h"
#include "loomkit/scoped_buffer.h"

namespace loomkit {

bool window_text_to_string(const text_source& source, std::string& out) {
    const std::int32_t length = source.TextLength();
    const auto n = static_cast<std::uint32_t>(length < 0 ? 0 : length);
    scoped_buffer_base buffer;
    buffer.Allocate(nullptr, n + 1);  // never 0 bytes, so it succeeds or throws
    source.CopyText(reinterpret_cast<char*>(buffer.data), static_cast<std::int32_t>(buffer.size));
    // Terminate whatever the copy did; a text that came out shorter than the
    // reported length stops at its own NUL.
    buffer.data[n] = '\0';
    const auto* text = reinterpret_cast<const char*>(buffer.data);
    // No NUL within count, so the strict conversion never throws.
    const auto count = static_cast<std::uint32_t>(::strnlen(text, buffer.size));
    out = array_to_string::convert(text, count, true);
    return true;
}

}  // namespace loomkit
