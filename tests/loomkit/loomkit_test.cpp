// loomkit's portable side: counted characters to text, decimal text, the
// heap buffer and the window-text reader over a fake control.
#include <gtest/gtest.h>

#include <algorithm>
#include <boost/format.hpp>
#include <cstring>
#include <random>
#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

#include "failing_allocator.h"
#include "loomkit/array_to_string.h"
#include "loomkit/decimal_text.h"
#include "loomkit/scoped_buffer.h"
#include "loomkit/window_text.h"
#include "test_seed.h"

namespace {

using namespace std::string_literals;
using loomkit::array_to_string;

// Both modes against the NUL-pair rule; the strict one throws on a pair.
TEST(TextConversions, NulPairsAndDecimals) {
    for (const std::string& input : {""s, "abc"s, "a\0b"s, "\0a"s, "\0"s, "a\0"s, "ab\0\0cd"s,
                                     "\0\0"s, "abc\0\0"s, "a\0b\0c"s}) {
        const auto count = static_cast<std::uint32_t>(input.size());
        const std::size_t pair = input.find("\0\0"s);
        const std::string lenient = array_to_string::convert(input.data(), count, false);
        EXPECT_EQ(input.substr(0, pair == std::string::npos ? pair : pair + 1), lenient)
            << ::testing::PrintToString(input);
        try {
            EXPECT_EQ(input, array_to_string::convert(input.data(), count, true));
            EXPECT_EQ(std::string::npos, pair) << ::testing::PrintToString(input);
        } catch (const std::runtime_error& e) {
            EXPECT_NE(std::string::npos, pair) << ::testing::PrintToString(input);
            EXPECT_STREQ("array_to_string::convert function: cannot convert", e.what());
        }
    }
    EXPECT_EQ("", array_to_string::convert(nullptr, 0, true));
    // Unsigned, whatever the top bit; the formatter keeps the text around "%d".
    const zentrail::test::TestSeed seed;
    std::mt19937 random(seed.value());
    for (int i = 0; i < 1000; ++i) {
        const std::uint32_t value = i < 3 ? 0x7FFFFFFFu * i + (i > 0) : random() >> (i % 32);
        ASSERT_EQ(std::to_string(value), loomkit::to_decimal_text(value));
        ASSERT_EQ(std::to_string(value), loomkit::format_one_value("%d", value));
    }
    EXPECT_EQ("size 42 byte", loomkit::format_one_value("size %d byte", 42));
    // The library's own rule: a format without a directive refuses an argument.
    EXPECT_THROW(loomkit::format_one_value(nullptr, 1), boost::io::too_many_args);
}

// A control's text as the platform would report it: a length, then a copy
// that may come out shorter (the text changed in between) or unterminated.
struct FakeControl : loomkit::text_source {
    FakeControl(std::int32_t length, std::string copied, bool terminate)
        : length_(length), copied_(std::move(copied)), terminate_(terminate) {}
    std::int32_t TextLength() const override { return length_; }
    void CopyText(char* buffer, std::int32_t size) const override {
        given_size = size;
        const auto n = std::min(copied_.size(), static_cast<std::size_t>(size));
        std::memcpy(buffer, copied_.data(), n);
        if (terminate_ && n < static_cast<std::size_t>(size)) buffer[n] = '\0';
    }
    mutable std::int32_t given_size = -1;
    std::int32_t length_;
    std::string copied_;
    bool terminate_;
};

// The exact size, bytes kept when growing; a refused request throws with the
// size, unsigned, and a refused growth leaves the old block to the caller.
TEST(ScopedBuffer, SizeGrowthExhaustionAndTheWindowTextOnTop) {
    loomkit::scoped_buffer_base buffer;
    EXPECT_FALSE(buffer.Allocate(nullptr, 0));
    EXPECT_EQ(nullptr, buffer.data);
    ASSERT_TRUE(buffer.Allocate(nullptr, 4));
    EXPECT_EQ(4u, buffer.size);
    std::memcpy(buffer.data, "abcd", 4);  // the sanitizers see the block is there
    ASSERT_TRUE(buffer.Allocate(buffer.data, 4096));
    EXPECT_EQ(4096u, buffer.size);
    EXPECT_EQ(0, std::memcmp(buffer.data, "abcd", 4));
    for (void* given : {static_cast<void*>(nullptr), static_cast<void*>(buffer.data)}) {
        loomkit::scoped_buffer_base other;
        try {
            const zentrail::test::FailingAllocator full(1);
            other.Allocate(given, 4294967295u);
            ADD_FAILURE() << "a refused request succeeded";
        } catch (const std::logic_error& e) {
            EXPECT_STREQ("scoped_buffer_base::Allocate() Output Memory4294967295byte", e.what());
        }
        EXPECT_EQ(nullptr, other.data);
        EXPECT_EQ(0u, other.size);
    }
    EXPECT_EQ(0, std::memcmp(buffer.data, "abcd", 4));  // still ours, not freed
    // The window-text reader over a fake control.
    // Reported length, copied text, terminated, expected.
    for (const auto& [length, copied, terminate, expected] :
         std::vector<std::tuple<std::int32_t, std::string, bool, std::string>>{
             {0, "", true, ""},
             {3, "abc", true, "abc"},
             {10, "ab", true, "ab"},
             {3, "abcdefgh", false, "abc"},
             {5, "ab\0\0c"s, true, "ab"},
             {-5, "abc", false, ""}}) {
        const FakeControl control(length, copied, terminate);
        std::string out = "old";
        EXPECT_TRUE(loomkit::window_text_to_string(control, out));
        EXPECT_EQ(expected, out) << ::testing::PrintToString(copied);
        EXPECT_EQ(std::max(length, 0) + 1, control.given_size);
    }
}

}  // namespace
