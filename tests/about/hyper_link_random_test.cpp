// The hyperlink's parsers against small reference models, over generated
// texts: colour values as the registry may hold them and labels as a caller
// may pass them. Every text sits at the very end of a readable page with an
// inaccessible one behind it, so a read past its terminator faults instead of
// going unnoticed. ctest runs these twice: in the test prefix's Western code
// page and in code page 932, where bytes 0x81-0x9F and 0xE0-0xFC lead
// two-byte characters.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>

#include "hyper_link_test_support.h"
#include "test_seed.h"

namespace {

constexpr int kTexts = 100000;
constexpr int kMeasuredLabels = 20000;  // each one is three DrawText calls

// A readable page with an inaccessible one behind it, freed with the object.
struct GuardedPage {
    GuardedPage() {
        DWORD old = 0;
        EXPECT_TRUE(base != nullptr && VirtualProtect(base + kPage, kPage, PAGE_NOACCESS, &old))
            << "no guard page";
    }
    ~GuardedPage() { VirtualFree(base, 0, MEM_RELEASE); }
    // The text and its terminator, the terminator being the page's last byte.
    char* Hold(const std::string& text) {
        return static_cast<char*>(
            std::memcpy(base + kPage - text.size() - 1, text.c_str(), text.size() + 1));
    }
    static constexpr std::size_t kPage = 4096;
    char* base = static_cast<char*>(
        VirtualAlloc(nullptr, 2 * kPage, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
};

// The one harness: count texts from make, each checked where it ends right
// before the guard page; check says what is wrong, and the first wrong text
// ends the run.
template <class Make, class Check>
void ForRandomTexts(int count, Make make, Check check) {
    const zentrail::test::TestSeed seed;
    std::mt19937 random(seed.value());
    GuardedPage guarded;
    for (int n = 0; n < count; ++n) {
        const std::string text = make(random);
        const std::string wrong = check(text, guarded.Hold(text), random);
        if (!wrong.empty()) {
            ADD_FAILURE() << "\"" << text << "\": " << wrong;
            return;
        }
    }
}

// The code page the run was meant to have; the CP932 run must really be one.
TEST(RandomTexts, RunInTheCodePageAskedFor) {
    const char* expected = std::getenv("ZENTRAIL_EXPECT_CODE_PAGE");
    if (expected == nullptr) GTEST_SKIP() << "the prefix's own code page, " << GetACP();
    EXPECT_EQ(std::strtoul(expected, nullptr, 10), GetACP());
}

// --- Colour texts -------------------------------------------------------------------

// Where the comma after from is, stepping by characters: a lead byte (as
// this process's code page has it) takes the byte after it along unless that
// is the end. npos when there is none.
std::size_t ModelComma(const std::string& text, std::size_t from) {
    for (std::size_t i = from; i < text.size();) {
        if (text[i] == ',') return i;
        i += IsDBCSLeadByte(static_cast<BYTE>(text[i])) && i + 1 < text.size() ? 2 : 1;
    }
    return std::string::npos;
}

// Red and green end at a comma and may not read as -1; blue is the rest and
// may not be empty; each keeps its low 8 bits. atoi as the platform's C
// library has it: strtol in base 10 with a 32-bit long, saturating.
COLORREF ModelColor(const std::string& text) {
    int parts[2];
    std::size_t from = 0;
    for (int& part : parts) {
        const std::size_t comma = ModelComma(text, from);
        if (comma == std::string::npos) return CLR_INVALID;
        part = static_cast<int>(std::strtol(text.substr(from, comma - from).c_str(), nullptr, 10));
        if (part == -1) return CLR_INVALID;
        from = comma + 1;
    }
    if (from == text.size()) return CLR_INVALID;
    return RGB(parts[0] & 0xFF, parts[1] & 0xFF,
               std::strtol(text.c_str() + from, nullptr, 10) & 0xFF);
}

// Up to most - 1 pieces, one in four a byte of the upper half instead (often
// a lead byte in CP932).
template <std::size_t N>
std::string Pieces(std::mt19937& random, const char* const (&pieces)[N], unsigned most) {
    std::string text;
    for (unsigned i = random() % most; i > 0; --i) {
        text += random() % 4 == 0 ? std::string(1, static_cast<char>(0x80 + random() % 0x80))
                                  : pieces[random() % N];
    }
    return text;
}

// What registry values and hand edits are made of.
std::string ColorText(std::mt19937& random) {
    static const char* const pieces[] = {
        ",",   ",",   ",",   ",",          "-",          "+",           " ",
        "\t",  "-1",  "0",   "1",          "07",         "42",          "128",
        "255", "256", "999", "2147483647", "2147483648", "-2147483649", "99999999999999999999",
        "x",   "A",   ""};
    return Pieces(random, pieces, 9);
}

TEST(RandomTexts, ParseColorTextFollowsTheModel) {
    EXPECT_EQ(CLR_INVALID, ParseColorText(nullptr));
    ForRandomTexts(kTexts, ColorText, [](const std::string& text, char* held, std::mt19937&) {
        const COLORREF expected = ModelColor(text), parsed = ParseColorText(held);
        if (parsed == expected) return std::string();
        return "got " + std::to_string(parsed) + ", model " + std::to_string(expected);
    });
}

// --- Labels ---------------------------------------------------------------------------

// Where tag next starts at or after from, or the end of text. ASCII letters
// match in either case: the C locale's rule, whatever the code page.
std::size_t FindTag(const std::string& text, std::size_t from, const char* tag) {
    while (from < text.size() && _strnicmp(&text[from], tag, std::strlen(tag)) != 0) ++from;
    return std::min(from, text.size());
}

// A part in brackets, "-" when there is none.
std::string Part(const char* start, int length) {
    if (start == nullptr) return length == 0 ? "-" : "?";
    return "[" + std::string(start, static_cast<std::size_t>(length)) + "]";
}

// Plain, link and tail parts as Part shows them. The first "<a>" in any case
// opens the link; the first "</a>" after it closes it. Unclosed, the link
// part is empty; no opening, nothing at all.
std::string ModelSplit(const std::string& text) {
    const std::size_t open = FindTag(text, 0, "<a>"), close = FindTag(text, open + 3, "</a>");
    if (open == text.size()) return "- - -";
    const std::string plain = open > 0 ? Part(text.c_str(), static_cast<int>(open)) : "-";
    if (close == text.size()) return plain + " [] -";
    return plain + " " + Part(text.c_str() + open + 3, static_cast<int>(close - open - 3)) + " " +
           (close + 4 < text.size() ? "[" + text.substr(close + 4) + "]" : "-");
}

// Tags at every position, in mixed case, cut short, between ordinary text,
// angle brackets and bytes of the upper half.
std::string Label(std::mt19937& random) {
    static const char* const pieces[] = {"<a>", "<A>", "</a>", "</A>", "<", ">",    "</",
                                         "<a",  "</a", "a",    "A",    " ", "link", "x"};
    return Pieces(random, pieces, 10);
}

TEST(RandomTexts, SplitLabelFollowsTheModel) {
    const LabelParts none = SplitLabel(nullptr);
    EXPECT_TRUE(none.plain == nullptr && none.link == nullptr && none.tail == nullptr);
    ForRandomTexts(kTexts, Label, [](const std::string& text, char* held, std::mt19937&) {
        const std::string expected = ModelSplit(text);
        const LabelParts parts = SplitLabel(held);
        const std::string got = Part(parts.plain, parts.plainLength) + " " +
                                Part(parts.link, parts.linkLength) + " " +
                                Part(parts.tail, parts.tailLength);
        return got == expected ? std::string() : "got " + got + ", model " + expected;
    });
}

// Measuring: whatever the label, the link part lies inside the control's
// client area, it is empty exactly when a tagged label has no link text, and
// a label that says the same again measures the same.
TEST(RandomTexts, MeasuredLinksStayInsideTheControl) {
    SKIP_WITHOUT_DISPLAY();
    LinkDialog dialog;
    HyperLink link;
    ASSERT_TRUE(link.Attach(GetDlgItem(dialog.get(), IDC_LINK_TAGGED)));
    ForRandomTexts(
        kMeasuredLabels, Label, [&](const std::string& text, char*, std::mt19937& random) {
            const bool tagged = random() % 2 == 0;
            link.SetLinkStyle(tagged ? LINKSTYLE_TAGS : 0, LINKSTYLE_TAGS);
            if (!link.SetLabelText(text.c_str()) || !link.MeasureLink())
                return std::string("failed");
            const RECT measured = link.LinkRect();
            const bool emptyLink = tagged && SplitLabel(text.c_str()).linkLength == 0;
            const bool inside = measured.left >= 0 && measured.top >= 0 &&
                                measured.right >= measured.left && measured.bottom >= measured.top;
            const std::string where =
                (tagged ? "tagged: " : "") + ::testing::PrintToString(measured);
            if (!inside || (emptyLink && !IsRectEmpty(&measured))) return where;
            if (!link.MeasureLink() || !(link.LinkRect() == measured)) return where + " then other";
            return std::string();
        });
}

}  // namespace
