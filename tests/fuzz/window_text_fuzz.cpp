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

// Copies the start of its text, as much as fits, with a NUL after it when
// asked to and there is room, or filling the buffer; keeps what it wrote.
class FuzzedSource : public loomkit::text_source {
  public:
    FuzzedSource(std::int32_t length, bool terminate, std::string text)
        : length_(length), terminate_(terminate), text_(std::move(text)) {}

    std::int32_t TextLength() const override { return length_; }
    void CopyText(char* buffer, std::int32_t size) const override {
        ++copies;
        FUZZ_CHECK(size >= 1, "the buffer has room for a terminator");
        const auto room = static_cast<std::size_t>(size);
        written = text_.substr(0, room);
        // Unterminated, every byte of the buffer is written: none is left unset.
        if (terminate_ && written.size() < room) written.push_back('\0');
        if (!terminate_) written.resize(room, 'x');
        std::memcpy(buffer, written.data(), written.size());
    }

    mutable int copies = 0;
    mutable std::string written;

  private:
    std::int32_t length_;
    bool terminate_;
    std::string text_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 4) return 0;
    const std::string text(reinterpret_cast<const char*>(data + 4), size - 4);
    // The reported length: the truth, or a lie around it, or a negative one.
    // Lies stay below 64 KiB so that every run is quick; the huge ones belong
    // to the allocation tests.
    std::int32_t length = static_cast<std::int32_t>(text.size());
    const std::int32_t delta = static_cast<std::int8_t>(data[3]);
    switch (data[2] % 4) {
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
    // A copy cut short by up to 15 bytes, as when the text shrank meanwhile.
    const std::size_t cut = std::min<std::size_t>(data[1] % 16, text.size());
    FuzzedSource source(length, (data[0] & 1) == 0, text.substr(0, text.size() - cut));
    std::string out = "unchanged";
    FUZZ_CHECK(loomkit::window_text_to_string(source, out), "the reader always succeeds");
    FUZZ_CHECK(source.copies == 1, "the text is copied once");

    // The buffer holds max(length, 0) characters and a terminator; whatever
    // was copied, the result is its text up to the first NUL, within that.
    const std::string kept =
        source.written.substr(0, static_cast<std::size_t>(std::max(length, 0)));
    FUZZ_CHECK(out == kept.substr(0, kept.find('\0')),
               "result differs from the copied text up to its first NUL");
    return 0;
}
