// window_text_to_string over a text source that may lie about its length,
// copy less than asked, leave out the terminator or carry NULs.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "fuzz_check.h"
#include "loomkit/window_text.h"

namespace {

enum class Copy : std::uint8_t { kTerminated, kShort, kUnterminatedFull, kNothing };

class FuzzedSource : public loomkit::text_source {
  public:
    FuzzedSource(std::int32_t length, Copy copy, std::int32_t short_by, std::string text)
        : length_(length), copy_(copy), short_by_(short_by), text_(std::move(text)) {}

    std::int32_t TextLength() const override { return length_; }

    // What it wrote, so that the expected result is known exactly.
    void CopyText(char* buffer, std::int32_t size) const override {
        ++copies_;
        FUZZ_CHECK(size >= 1, "the buffer has room for a terminator");
        const auto room = static_cast<std::size_t>(size);
        written_.clear();
        switch (copy_) {
            case Copy::kTerminated:
            case Copy::kShort: {
                std::size_t n = std::min(text_.size(), room - 1);
                if (copy_ == Copy::kShort) n -= std::min(n, static_cast<std::size_t>(short_by_));
                written_.assign(text_, 0, n);
                written_.push_back('\0');
                break;
            }
            case Copy::kUnterminatedFull:
                // Every byte of the buffer, no terminator of its own.
                written_.assign(text_, 0, std::min(text_.size(), room));
                written_.resize(room, 'x');
                break;
            case Copy::kNothing:
                written_.assign(1, '\0');
                break;
        }
        std::memcpy(buffer, written_.data(), written_.size());
    }

    int copies() const { return copies_; }
    const std::string& written() const { return written_; }

  private:
    std::int32_t length_;
    Copy copy_;
    std::int32_t short_by_;
    std::string text_;
    mutable int copies_ = 0;
    mutable std::string written_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 4) return 0;
    const std::string text(reinterpret_cast<const char*>(data + 4), size - 4);
    const auto copy = static_cast<Copy>(data[0] % 4);
    const std::int32_t short_by = data[1] % 16;
    // The reported length: the truth, or a lie around it, or a negative one.
    // Lies stay below 64 KiB so that every run is quick; the huge ones belong
    // to the allocation tests.
    std::int32_t length = static_cast<std::int32_t>(text.size());
    const std::int32_t delta = static_cast<std::int8_t>(data[3]);
    switch (data[2] % 4) {
        case 0:
            break;
        case 1:
            length = std::max(length + delta, -1000);
            break;
        case 2:
            length = -1 - delta * 1000;
            break;
        case 3:
            length = (static_cast<std::int32_t>(data[3]) << 8) + length;
            break;
    }

    FuzzedSource source(length, copy, short_by, text);
    std::string out = "unchanged";
    FUZZ_CHECK(loomkit::window_text_to_string(source, out), "the reader always succeeds");
    FUZZ_CHECK(source.copies() == 1, "the text is copied once");

    // The buffer holds max(length, 0) characters and a terminator; whatever
    // was copied, the result is its text up to the first NUL, within that.
    const std::size_t n = static_cast<std::size_t>(std::max(length, 0));
    std::string buffer = source.written().substr(0, n);
    const std::string expected = buffer.substr(0, std::min(buffer.find('\0'), buffer.size()));
    FUZZ_CHECK(out == expected, "result differs from the copied text up to its first NUL");
    FUZZ_CHECK(out.find('\0') == std::string::npos, "no NUL in the result");
    return 0;
}
