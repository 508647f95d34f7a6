#include "tag_writer.h"

#include <ctime>

#include "loomkit/decimal_text.h"
#include "tag/tag_composer.h"

namespace {
constexpr std::size_t kBufferSize = 64 * 1024;
}

TagWriter::TagWriter(std::FILE* out, std::string tag, std::optional<std::uint32_t> fixed_second)
    : out_(out), tag_(std::move(tag)), fixed_second_(fixed_second) {
    buffer_.reserve(kBufferSize);
}

// The same number the window shows: the first value of a generator seeded
// with the second. A second without a generator (no memory) shows none.
const std::string& TagWriter::FallbackText() {
    const std::uint32_t second =
        fixed_second_ ? *fixed_second_ : static_cast<std::uint32_t>(std::time(nullptr));
    if (fallback_second_ != second) {
        MtGenerator generator(second);
        fallback_text_ =
            generator.handle != nullptr ? loomkit::to_decimal_text(mt_next(generator.handle)) : "";
        fallback_second_ = second;
    }
    return fallback_text_;
}

bool TagWriter::WriteTagFor(std::string_view name) {
    const std::string code = NameCode(name);
    const std::string& suffix = code.empty() ? FallbackText() : code;
    return Append(tag_) && Append("_") && Append(suffix) && Append("\n");
}

bool TagWriter::Append(std::string_view bytes) {
    if (failed_) return false;
    if (buffer_.size() + bytes.size() > kBufferSize && !Flush()) return false;
    if (bytes.size() > kBufferSize) {
        failed_ = std::fwrite(bytes.data(), 1, bytes.size(), out_) != bytes.size();
        return !failed_;
    }
    buffer_.append(bytes);
    return true;
}

bool TagWriter::Flush() {
    if (failed_) return false;
    if (!buffer_.empty()) {
        failed_ = std::fwrite(buffer_.data(), 1, buffer_.size(), out_) != buffer_.size();
        buffer_.clear();
    }
    if (!failed_) failed_ = std::fflush(out_) != 0;
    return !failed_;
}
