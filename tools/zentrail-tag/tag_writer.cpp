#include "tag_writer.h"

#include <cerrno>
#include <cstring>
#include <ctime>
#include <new>

#include "loomkit/decimal_text.h"
#include "tag/base_n.h"
#include "tag/crc32.h"
#include "tag/mt_random.h"

namespace {

constexpr std::size_t kBufferSize = 64 * 1024;
constexpr std::uint32_t kCodeRadix = 62;
// 62^6 > 2^32: six digits hold any checksum.
constexpr std::size_t kMaxCodeDigits = 6;

constexpr std::uint32_t kPairCount = kCodeRadix * kCodeRadix;
constexpr std::uint32_t kHalfRadix = kPairCount * kCodeRadix;  // 62^3

// Digit pairs "00" to "ZZ", so that a line costs three divisions, not six.
struct DigitPairs {
    char text[kPairCount][2];
};

DigitPairs MakeDigitPairs() {
    DigitPairs pairs{};
    for (std::uint32_t i = 0; i < kPairCount; ++i) {
        pairs.text[i][0] = DigitAlphabet[i / kCodeRadix];
        pairs.text[i][1] = DigitAlphabet[i % kCodeRadix];
    }
    return pairs;
}

const DigitPairs digit_pairs = MakeDigitPairs();

// Three digits of a value below 62^3.
void EncodeThree(std::uint32_t value, char* out) {
    out[0] = DigitAlphabet[value / kPairCount];
    std::memcpy(out + 1, digit_pairs.text[value % kPairCount], 2);
}

// The base-62 digits of value, most significant first, without leading
// zeros: as EncodeBaseN(value, 62) gives them. Returns the count, 0 for 0.
std::size_t EncodeCode(std::uint32_t value, char (&digits)[kMaxCodeDigits]) {
    EncodeThree(value / kHalfRadix, digits);
    EncodeThree(value % kHalfRadix, digits + 3);
    std::size_t zeros = 0;
    while (zeros < kMaxCodeDigits && digits[zeros] == '0') ++zeros;
    return kMaxCodeDigits - zeros;
}

}  // namespace

TagWriter::TagWriter(std::FILE* out, std::string tag, std::optional<std::uint32_t> fixed_second)
    : out_(out),
      tag_(std::move(tag)),
      fixed_second_(fixed_second),
      buffer_(new char[kBufferSize]) {}

// The same number the window shows: the first value of a generator seeded
// with the second. The window can show a bare tag and underscore for a tick
// without a generator and do better on the next; a line written here stays
// written, so no memory for the generator is std::bad_alloc, not a line
// without its number.
const std::string& TagWriter::FallbackText() {
    const std::uint32_t second =
        fixed_second_ ? *fixed_second_ : static_cast<std::uint32_t>(std::time(nullptr));
    if (fallback_second_ != second) {
        MtGenerator generator(second);
        if (generator.handle == nullptr) throw std::bad_alloc();
        fallback_text_ = loomkit::to_decimal_text(mt_next(generator.handle));
        fallback_second_ = second;
    }
    return fallback_text_;
}

bool TagWriter::WriteTagFor(std::string_view name) {
    Crc32Stream crc;
    crc.Add(name.data(), name.size());
    return WriteTagForChecksum(crc.Value());
}

bool TagWriter::WriteTagForChecksum(std::uint32_t checksum) {
    char digits[kMaxCodeDigits];
    const std::size_t code_size = EncodeCode(checksum, digits);
    if (code_size == 0) {
        // The number first: should it throw, no part of the line is written.
        const std::string& fallback = FallbackText();
        return Append(tag_) && Append("_") && Append(fallback) && Append("\n");
    }
    const char* const code = digits + kMaxCodeDigits - code_size;
    const std::size_t line_size = tag_.size() + 1 + code_size + 1;
    // The common case: the whole line goes into the buffer in one piece.
    if (!failed_ && kBufferSize - used_ >= line_size) {
        char* p = buffer_.get() + used_;
        std::memcpy(p, tag_.data(), tag_.size());
        p += tag_.size();
        *p++ = '_';
        std::memcpy(p, code, code_size);
        p[code_size] = '\n';
        used_ += line_size;
        return true;
    }
    return Append(tag_) && Append("_") && Append(std::string_view(code, code_size)) && Append("\n");
}

bool TagWriter::Append(std::string_view bytes) {
    if (failed_) return false;
    if (kBufferSize - used_ < bytes.size() && !Flush()) return false;
    if (bytes.size() > kBufferSize) {
        if (std::fwrite(bytes.data(), 1, bytes.size(), out_) != bytes.size()) return Fail();
        return true;
    }
    std::memcpy(buffer_.get() + used_, bytes.data(), bytes.size());
    used_ += bytes.size();
    return true;
}

bool TagWriter::Flush() {
    if (failed_) return false;
    if (used_ != 0) {
        const std::size_t size = used_;
        used_ = 0;
        if (std::fwrite(buffer_.get(), 1, size, out_) != size) return Fail();
    }
    if (std::fflush(out_) != 0) return Fail();
    return true;
}

bool TagWriter::Fail() {
    failed_ = true;
    error_ = errno;
    return false;
}
