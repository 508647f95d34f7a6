// The hyperlink's text parsing: colour values and tagged labels.
#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <string>

#include "about/hyper_link.h"

namespace {

TEST(ParseColorText, ReadsThreePartsOrRejects) {
    const struct {
        const char* text;
        COLORREF expected;
    } cases[] = {
        {"0,0,255", RGB(0, 0, 255)},
        {"128,0,128", RGB(128, 0, 128)},
        {"255,255,255", RGB(255, 255, 255)},
        // Only the low 8 bits of each part are kept.
        {"300,0,0", RGB(44, 0, 0)},
        {"0,256,511", RGB(0, 0, 255)},
        {"-2,0,0", RGB(254, 0, 0)},
        {"0,0,-1", RGB(0, 0, 255)},  // a blue of -1 is a number like any other
        // Digits stop each part; no digits read as 0.
        {"a,b,c", RGB(0, 0, 0)},
        {",,5", RGB(0, 0, 5)},
        {"1,2,3,4", RGB(1, 2, 3)},
        {" 1, 2, 3", RGB(1, 2, 3)},
        {"7x,8y,9z", RGB(7, 8, 9)},
        // Too large a number saturates instead of wrapping.
        {"99999999999,0,0", RGB(255, 0, 0)},
        // Rejected: fewer than three parts, or a red or green of -1.
        {"255,0", CLR_INVALID},
        {"1,2,", CLR_INVALID},
        {",,", CLR_INVALID},
        {"", CLR_INVALID},
        {"-1,0,0", CLR_INVALID},
        {"0,-1,0", CLR_INVALID},
    };
    for (const auto& c : cases) {
        char text[32];
        std::strcpy(text, c.text);
        EXPECT_EQ(c.expected, ParseColorText(text)) << c.text;
    }
    EXPECT_EQ(CLR_INVALID, ParseColorText(nullptr));
}

// A part as the test sees it: none, or the text it covers.
std::optional<std::string> Part(const char* start, int length) {
    if (start == nullptr) return length == 0 ? std::nullopt : std::optional<std::string>("?");
    return std::string(start, static_cast<std::size_t>(length));
}

TEST(SplitLabel, GivesPlainLinkAndTail) {
    const std::nullopt_t none = std::nullopt;
    const struct {
        const char* text;
        std::optional<std::string> plain, link, tail;  // link "": opened and empty
    } cases[] = {
        {"author weblog : <a>http://example.org/</a>", "author weblog : ", "http://example.org/",
         none},
        {"plain<a>link</a>tail", "plain", "link", "tail"},
        {"<a>link</a>", none, "link", none},
        {"<a>link</a>t", none, "link", "t"},
        {"p<a>link</a>", "p", "link", none},
        // Case does not matter, on either tag.
        {"x<A>mixed</a>y", "x", "mixed", "y"},
        {"x<a>mixed</A>y", "x", "mixed", "y"},
        // No opening tag: nothing at all.
        {"no tags here", none, none, none},
        {"", none, none, none},
        {"<b>bold</b>", none, none, none},
        {"link</a>", none, none, none},
        // Tags cut off by the end of the text.
        {"text<a", none, none, none},
        {"text<a>link</a", "text", "", none},
        {"text<a>link", "text", "", none},
        {"<a>", none, "", none},
        // A closing tag before the opening one, and a second opening tag,
        // are ordinary text; only the first closing tag counts.
        {"</a>x<a>y</a>z", "</a>x", "y", "z"},
        {"<a>one<a>two</a>", none, "one<a>two", none},
        {"<a>x</a></a>", none, "x", "</a>"},
        {"a<a></a>b", "a", "", "b"},
        {"<a>1 < 2</a>", none, "1 < 2", none},
        {nullptr, none, none, none},
    };
    for (const auto& c : cases) {
        const LabelParts parts = SplitLabel(c.text);
        const char* text = c.text != nullptr ? c.text : "(null)";
        EXPECT_EQ(c.plain, Part(parts.plain, parts.plainLength)) << text;
        EXPECT_EQ(c.link, Part(parts.link, parts.linkLength)) << text;
        EXPECT_EQ(c.tail, Part(parts.tail, parts.tailLength)) << text;
    }
}

}  // namespace
