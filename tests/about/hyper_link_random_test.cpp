// The hyperlink's parsers against small reference models, over generated
// texts: colour values as the registry may hold them and labels as a caller
// may pass them. Every text sits at the very end of a readable page with an
// inaccessible one behind it, so a read past its terminator faults instead of
// going unnoticed. ctest runs these twice: in the test prefix's Western code
// page and in code page 932, where bytes 0x81-0x9F and 0xE0-0xFC lead
// two-byte characters.
#include <windows.h>

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <random>
#include <string>

#include "about/hyper_link.h"
#include "hyper_link_test_support.h"
#include "test_seed.h"
#include "test_support.h"
#include "window_test_resources.h"

namespace {

constexpr int kTexts = 100000;
constexpr int kMeasuredLabels = 20000;  // each one is three DrawText calls

// A copy of a text ending right before an inaccessible page.
class GuardedText {
  public:
    GuardedText() {
        SYSTEM_INFO info;
        GetSystemInfo(&info);
        page_ = info.dwPageSize;
        base_ = static_cast<char*>(
            VirtualAlloc(nullptr, 2 * page_, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
        DWORD old = 0;
        if (base_ == nullptr || !VirtualProtect(base_ + page_, page_, PAGE_NOACCESS, &old)) {
            ADD_FAILURE() << "no guard page";
        }
    }
    ~GuardedText() {
        if (base_ != nullptr) VirtualFree(base_, 0, MEM_RELEASE);
    }
    GuardedText(const GuardedText&) = delete;
    GuardedText& operator=(const GuardedText&) = delete;

    // The text and its terminator, the terminator being the page's last byte.
    char* Hold(const std::string& text) {
        char* at = base_ + page_ - text.size() - 1;
        std::memcpy(at, text.data(), text.size());
        at[text.size()] = '\0';
        return at;
    }

  private:
    std::size_t page_ = 0;
    char* base_ = nullptr;
};

// The one harness: count texts from make, each checked where it ends right
// before the guard page; check says what is wrong, and the first wrong text
// ends the run.
template <class Make, class Check>
void ForRandomTexts(int count, Make make, Check check) {
    const zentrail::test::TestSeed seed;
    std::mt19937 random(seed.value());
    GuardedText guarded;
    for (int n = 0; n < count; ++n) {
        const std::string text = make(random);
        const std::string wrong = check(text, guarded.Hold(text), random);
        if (!wrong.empty()) {
            ADD_FAILURE() << "\"" << text << "\": " << wrong;
            return;
        }
    }
}

// What this process's code page makes of a byte: the first of two.
bool IsLeadByte(char c) { return IsDBCSLeadByte(static_cast<BYTE>(c)) != FALSE; }

// The code page the run was meant to have; the CP932 run must really be one.
TEST(RandomTexts, RunInTheCodePageAskedFor) {
    const char* expected = std::getenv("ZENTRAIL_EXPECT_CODE_PAGE");
    if (expected == nullptr) GTEST_SKIP() << "the prefix's own code page, " << GetACP();
    EXPECT_EQ(std::strtoul(expected, nullptr, 10), GetACP());
}

// --- Colour texts -------------------------------------------------------------------

// strtol in base 10 with a 32-bit long, as the C library of the platform
// defines it: white space, a sign, digits, saturating at the limits.
int ModelToInt(const std::string& text) {
    std::size_t i = 0;
    while (i < text.size() && std::strchr(" \t\n\v\f\r", text[i]) != nullptr && text[i] != '\0') {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    std::int64_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > std::int64_t{INT_MAX} + 1) value = std::int64_t{INT_MAX} + 1;
    }
    if (negative) return value > INT_MAX ? INT_MIN : static_cast<int>(-value);
    return value > INT_MAX ? INT_MAX : static_cast<int>(value);
}

// Where the comma after from is, stepping by characters: a lead byte takes
// the byte after it along unless that is the end. npos when there is none.
std::size_t ModelComma(const std::string& text, std::size_t from) {
    for (std::size_t i = from; i < text.size();) {
        if (text[i] == ',') return i;
        i += IsLeadByte(text[i]) && i + 1 < text.size() ? 2 : 1;
    }
    return std::string::npos;
}

// Red and green end at a comma and may not read as -1; blue is the rest and
// may not be empty; each keeps its low 8 bits.
COLORREF ModelColor(const std::string& text) {
    int parts[2];
    std::size_t from = 0;
    for (int& part : parts) {
        const std::size_t comma = ModelComma(text, from);
        if (comma == std::string::npos) return CLR_INVALID;
        part = ModelToInt(text.substr(from, comma - from));
        if (part == -1) return CLR_INVALID;
        from = comma + 1;
    }
    if (from == text.size()) return CLR_INVALID;
    return RGB(parts[0] & 0xFF, parts[1] & 0xFF, ModelToInt(text.substr(from)) & 0xFF);
}

// Pieces that registry values and hand edits are made of.
std::string ColorText(std::mt19937& random) {
    static const char* const pieces[] = {
        ",", ",", ",",   "-",   "+",          " ",          "\t",          "-1",
        "0", "1", "255", "256", "2147483647", "2147483648", "-2147483649", "99999999999999999999",
        "x", "A", "",
    };
    std::string text;
    const int count = static_cast<int>(random() % 9);
    for (int i = 0; i < count; ++i) {
        switch (random() % 4) {
            case 0:
                text += std::to_string(random() % 1000);
                break;
            case 1:
                // A byte of the upper half, often a lead byte in CP932.
                text += static_cast<char>(0x80 + random() % 0x80);
                break;
            default:
                text += pieces[random() % (sizeof pieces / sizeof *pieces)];
                break;
        }
    }
    return text;
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

bool IsTag(const std::string& text, std::size_t at, const char* tag) {
    const std::size_t length = std::strlen(tag);
    if (at + length > text.size()) return false;
    for (std::size_t i = 0; i < length; ++i) {
        const char c = text[at + i];
        const char lower = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
        if (lower != tag[i]) return false;
    }
    return true;
}

struct ModelParts {
    std::optional<std::string> plain, link, tail;
};

// The first "<a>" in any case opens the link; the first "</a>" after it
// closes it. Unclosed, the link part is empty; no opening, nothing at all.
ModelParts ModelSplit(const std::string& text) {
    ModelParts parts;
    std::size_t open = 0;
    while (open < text.size() && !IsTag(text, open, "<a>")) ++open;
    if (open >= text.size()) return parts;
    if (open > 0) parts.plain = text.substr(0, open);
    std::size_t close = open + 3;
    while (close < text.size() && !IsTag(text, close, "</a>")) ++close;
    if (close >= text.size()) {
        parts.link = "";
        return parts;
    }
    parts.link = text.substr(open + 3, close - open - 3);
    if (close + 4 < text.size()) parts.tail = text.substr(close + 4);
    return parts;
}

std::optional<std::string> Part(const char* start, int length) {
    if (start == nullptr) return length == 0 ? std::nullopt : std::optional<std::string>("?");
    return std::string(start, static_cast<std::size_t>(length));
}

// Tags at every position, in mixed case, cut short, between ordinary text,
// angle brackets and bytes of the upper half.
std::string Label(std::mt19937& random) {
    static const char* const pieces[] = {"<a>", "<A>", "</a>", "</A>", "<", ">",    "</",
                                         "<a",  "</a", "a",    "A",    " ", "link", "x"};
    std::string text;
    const int count = static_cast<int>(random() % 10);
    for (int i = 0; i < count; ++i) {
        if (random() % 4 == 0) {
            text += static_cast<char>(0x80 + random() % 0x80);
        } else {
            text += pieces[random() % (sizeof pieces / sizeof *pieces)];
        }
    }
    return text;
}

std::string Show(const ModelParts& parts) {
    return parts.plain.value_or("(none)") + " | " + parts.link.value_or("(none)") + " | " +
           parts.tail.value_or("(none)");
}

TEST(RandomTexts, SplitLabelFollowsTheModel) {
    const LabelParts none = SplitLabel(nullptr);
    EXPECT_TRUE(none.plain == nullptr && none.link == nullptr && none.tail == nullptr);
    ForRandomTexts(kTexts, Label, [](const std::string& text, char* held, std::mt19937&) {
        const ModelParts expected = ModelSplit(text);
        const LabelParts parts = SplitLabel(held);
        const ModelParts got{Part(parts.plain, parts.plainLength),
                             Part(parts.link, parts.linkLength),
                             Part(parts.tail, parts.tailLength)};
        if (got.plain == expected.plain && got.link == expected.link && got.tail == expected.tail) {
            return std::string();
        }
        return "got " + Show(got) + ", model " + Show(expected);
    });
}

// Measuring: whatever the label, the link part lies inside the control's
// client area, it is empty exactly when a tagged label has no link text, and
// a label that says the same again measures the same.
TEST(RandomTexts, MeasuredLinksStayInsideTheControl) {
    SKIP_WITHOUT_DISPLAY();
    LinkDialog dialog;
    HyperLink link;
    const HWND window = GetDlgItem(dialog.get(), IDC_LINK_TAGGED);
    ASSERT_TRUE(link.Attach(window));
    RECT client;
    GetClientRect(window, &client);
    ForRandomTexts(
        kMeasuredLabels, Label, [&](const std::string& text, char*, std::mt19937& random) {
            const bool tagged = random() % 2 == 0;
            link.SetLinkStyle(tagged ? LINKSTYLE_TAGS : 0, LINKSTYLE_TAGS);
            if (!link.SetLabelText(text.c_str()) || !link.MeasureLink())
                return std::string("failed");
            const RECT measured = link.LinkRect();
            const bool emptyLink = tagged && ModelSplit(text).link.value_or("").empty();
            const bool inside = measured.left >= client.left && measured.top >= client.top &&
                                measured.right >= measured.left && measured.bottom >= measured.top;
            const std::string where =
                (tagged ? "tagged: " : "") + ::testing::PrintToString(measured);
            if (!inside || (emptyLink && !IsRectEmpty(&measured))) return where;
            if (!link.MeasureLink() || !(link.LinkRect() == measured)) return where + " then other";
            return std::string();
        });
}

}  // namespace
