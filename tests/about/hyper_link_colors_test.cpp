#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "about/hyper_link.h"
#include "hyper_link_test_resources.h"
#include "hyper_link_test_support.h"

namespace {

// A registry value: absent, text with its terminator, or bare bytes.
struct Value {
    enum Kind { kAbsent, kText, kBytes } kind;
    std::string data;
};

const Value absent{Value::kAbsent, ""};
Value Text(const char* text) { return Value{Value::kText, text}; }
Value Bytes(const char* bytes) { return Value{Value::kBytes, bytes}; }

struct RegistryCase {
    const char* name;
    Value anchor;
    Value visited;
    COLORREF linkColor;
    COLORREF visitedColor;
};

void PrintTo(const RegistryCase& c, std::ostream* out) { *out << c.name; }

constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr COLORREF kPurple = RGB(128, 0, 128);

class RegistryColorsTest : public HyperLinkTest,
                           public ::testing::WithParamInterface<RegistryCase> {
  protected:
    void Put(const char* name, const Value& value) {
        if (value.kind == Value::kText) colors.SetText(name, value.data);
        if (value.kind == Value::kBytes) colors.SetBytes(name, value.data);
    }
};

TEST_P(RegistryColorsTest, AttachReadsTheBrowserColours) {
    const RegistryCase& c = GetParam();
    Put(kAnchorColor, c.anchor);
    Put(kAnchorColorVisited, c.visited);
    ASSERT_TRUE(link.Attach(Static(IDC_LINK_LEFT)));
    EXPECT_EQ(c.linkColor, link.LinkColor());
    EXPECT_EQ(c.visitedColor, link.VisitedColor());
}

INSTANTIATE_TEST_SUITE_P(
    Values, RegistryColorsTest,
    ::testing::Values(
        RegistryCase{"NoValues", absent, absent, kBlue, kPurple},
        RegistryCase{"Both", Text("0,128,0"), Text("255,0,0"), RGB(0, 128, 0), RGB(255, 0, 0)},
        RegistryCase{"OnlyVisited", absent, Text("0,0,0"), kBlue, RGB(0, 0, 0)},
        RegistryCase{"ElevenCharacters", Text("100,200,250"), absent, RGB(100, 200, 250), kPurple},
        // Ignored: two parts, more than 11 characters, a part of -1.
        RegistryCase{"TwoParts", Text("255,0"), Text("255,0"), kBlue, kPurple},
        RegistryCase{"TooLong", Text("0,128,000000"), Text("000000,0,255"), kBlue, kPurple},
        RegistryCase{"MinusOne", Text("-1,0,0"), Text("-1,0,0"), kBlue, kPurple},
        // A bad link colour does not stop the visited one, nor the reverse.
        RegistryCase{"BadLinkGoodVisited", Text("1,2"), Text("0,255,0"), kBlue, RGB(0, 255, 0)},
        RegistryCase{"GoodLinkBadVisited", Text("0,255,0"), Text("junk"), RGB(0, 255, 0), kPurple},
        // The value's type is not looked at; 12 bytes without a terminator
        // are read up to their end and no further.
        RegistryCase{"TwelveBareBytes", Bytes("100,200,0250"), absent, RGB(100, 200, 250), kPurple},
        // A long first value and a short second one without a terminator:
        // nothing of the first may show in the second.
        RegistryCase{"NoLeakFromTheFirstValue", Text("1,2,3456789"), Bytes("9,8,7"),
                     RGB(1, 2, 0x15), RGB(9, 8, 7)}),
    [](const ::testing::TestParamInfo<RegistryCase>& param) { return param.param.name; });

TEST_F(HyperLinkTest, EachAttachReadsTheColoursAgain) {
    colors.SetText(kAnchorColor, "0,128,0");
    ASSERT_TRUE(link.Attach(Static(IDC_LINK_LEFT)));
    colors.Remove(kAnchorColor);
    ASSERT_TRUE(other.Attach(Static(IDC_LINK_CENTER)));
    EXPECT_EQ(RGB(0, 128, 0), link.LinkColor());
    EXPECT_EQ(kBlue, other.LinkColor());
}

}  // namespace
