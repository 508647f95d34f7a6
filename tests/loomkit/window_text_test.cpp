#include "loomkit/window_text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

namespace {

using loomkit::text_source;
using loomkit::window_text_to_string;

// A control's text as the platform would report it: a length, then a copy that
// may come out shorter (the text changed in between) or unterminated.
class FakeControl : public text_source {
public:
    FakeControl(std::int32_t reported_length, std::string copied, bool terminate = true)
        : reported_length_(reported_length), copied_(std::move(copied)), terminate_(terminate) {}

    std::int32_t TextLength() const override { return reported_length_; }
    void CopyText(char* buffer, std::int32_t size) const override {
        last_size = size;
        const auto n = std::min(copied_.size(), static_cast<std::size_t>(size));
        std::memcpy(buffer, copied_.data(), n);
        if (terminate_ && n < static_cast<std::size_t>(size)) buffer[n] = '\0';
    }

    mutable std::int32_t last_size = -1;

private:
    std::int32_t reported_length_;
    std::string copied_;
    bool terminate_;
};

TEST(WindowText, EmptyControlGivesEmptyTextAndOneByteBuffer) {
    FakeControl control(0, "");
    std::string out = "old";
    EXPECT_TRUE(window_text_to_string(control, out));
    EXPECT_EQ("", out);
    EXPECT_EQ(1, control.last_size);
}

TEST(WindowText, ReadsWholeText) {
    FakeControl control(3, "abc");
    std::string out;
    EXPECT_TRUE(window_text_to_string(control, out));
    EXPECT_EQ("abc", out);
    EXPECT_EQ(4, control.last_size);
}

TEST(WindowText, ShorterCopyStopsAtItsNul) {
    FakeControl control(10, "ab");
    std::string out;
    EXPECT_TRUE(window_text_to_string(control, out));
    EXPECT_EQ("ab", out);
}

TEST(WindowText, UnterminatedCopyIsCutAtReportedLength) {
    FakeControl control(3, "abcdefgh", false);
    std::string out;
    EXPECT_TRUE(window_text_to_string(control, out));
    EXPECT_EQ("abc", out);
}

TEST(WindowText, NeverHoldsNul) {
    using namespace std::string_literals;
    FakeControl control(5, "ab\0\0c"s);
    std::string out;
    EXPECT_TRUE(window_text_to_string(control, out));
    EXPECT_EQ("ab", out);
    EXPECT_EQ(std::string::npos, out.find('\0'));
}

}  // namespace
