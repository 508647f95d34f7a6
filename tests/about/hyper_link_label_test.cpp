#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <string>

#include "about/hyper_link.h"

namespace {

// A part as the test sees it: none, or the text it covers.
std::optional<std::string> Part(const char* start, int length) {
    if (start == nullptr) {
        EXPECT_EQ(0, length);
        return std::nullopt;
    }
    return std::string(start, static_cast<std::size_t>(length));
}

struct SplitCase {
    const char* text;
    std::optional<std::string> plain;
    std::optional<std::string> link;  // "" is a link part that was opened and is empty
    std::optional<std::string> tail;
};

void PrintTo(const SplitCase& c, std::ostream* out) {
    *out << ::testing::PrintToString(std::string(c.text));
}

const std::nullopt_t none = std::nullopt;

class SplitLabelTest : public ::testing::TestWithParam<SplitCase> {};

TEST_P(SplitLabelTest, GivesPlainLinkAndTail) {
    const SplitCase& c = GetParam();
    const LabelParts parts = SplitLabel(c.text);
    EXPECT_EQ(c.plain, Part(parts.plain, parts.plainLength)) << c.text;
    EXPECT_EQ(c.link, Part(parts.link, parts.linkLength)) << c.text;
    EXPECT_EQ(c.tail, Part(parts.tail, parts.tailLength)) << c.text;
}

INSTANTIATE_TEST_SUITE_P(
    Labels, SplitLabelTest,
    ::testing::Values(
        // The About box's form: plain part and link, nothing after.
        SplitCase{"author weblog : <a>http://example.org/</a>",
                  "author weblog : ", "http://example.org/", none},
        SplitCase{"plain<a>link</a>tail", "plain", "link", "tail"},
        // Tags at the very start and the very end.
        SplitCase{"<a>link</a>", none, "link", none}, SplitCase{"<a>x</a>", none, "x", none},
        // One byte after the closing tag is a tail; one before the opening tag
        // a plain part.
        SplitCase{"<a>link</a>t", none, "link", "t"}, SplitCase{"p<a>link</a>", "p", "link", none},
        // Case does not matter, on either tag.
        SplitCase{"<A>Upper</A>", none, "Upper", none},
        SplitCase{"x<A>mixed</a>y", "x", "mixed", "y"},
        SplitCase{"x<a>mixed</A>y", "x", "mixed", "y"},
        // No opening tag: nothing at all.
        SplitCase{"no tags here", none, none, none}, SplitCase{"", none, none, none},
        SplitCase{"<b>bold</b>", none, none, none}, SplitCase{"link</a>", none, none, none},
        // Tags cut off by the end of the text.
        SplitCase{"text<a", none, none, none}, SplitCase{"text<", none, none, none},
        SplitCase{"text<a>link</a", "text", "", none}, SplitCase{"text<a>link</", "text", "", none},
        SplitCase{"text<a>link", "text", "", none}, SplitCase{"<a>", none, "", none},
        // A closing tag before the opening one, and a second opening tag,
        // are ordinary text.
        SplitCase{"</a>x<a>y</a>z", "</a>x", "y", "z"},
        SplitCase{"<a>one<a>two</a>", none, "one<a>two", none},
        // Only the first closing tag counts.
        SplitCase{"<a>x</a></a>", none, "x", "</a>"},
        // An empty link part between the tags.
        SplitCase{"a<a></a>b", "a", "", "b"}, SplitCase{"<a></a>", none, "", none},
        // A lone "<" inside the link part.
        SplitCase{"<a>1 < 2</a>", none, "1 < 2", none}));

TEST(SplitLabel, NullTextGivesNothing) {
    const LabelParts parts = SplitLabel(nullptr);
    EXPECT_EQ(nullptr, parts.plain);
    EXPECT_EQ(nullptr, parts.link);
    EXPECT_EQ(nullptr, parts.tail);
}

TEST(SplitLabel, PartsPointIntoTheText) {
    const char text[] = "ab<a>cd</a>ef";
    const LabelParts parts = SplitLabel(text);
    EXPECT_EQ(text, parts.plain);
    EXPECT_EQ(text + 5, parts.link);
    EXPECT_EQ(text + 11, parts.tail);
}

}  // namespace
