#include "loomkit/window_text_win32.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "test_support.h"

namespace {

struct TextCase {
    const char* name;
    std::string text;
};

void PrintTo(const TextCase& c, std::ostream* out) { *out << c.name; }

class WindowTextOfAWindow : public ::testing::TestWithParam<TextCase> {
  protected:
    void SetUp() override { SKIP_WITHOUT_DISPLAY(); }
};

TEST_P(WindowTextOfAWindow, ReadsTheWholeText) {
    for (const char* className : {"EDIT", "STATIC"}) {
        ScratchWindow control(WS_POPUP | ES_AUTOHSCROLL, nullptr, RECT{0, 0, 200, 20}, className);
        ASSERT_NE(nullptr, control.get());
        ASSERT_TRUE(SetWindowTextA(control.get(), GetParam().text.c_str()));
        std::string out = "previous";
        EXPECT_TRUE(loomkit::window_text_to_string(control.get(), out)) << className;
        EXPECT_EQ(GetParam().text, out) << className;
    }
}

INSTANTIATE_TEST_SUITE_P(Texts, WindowTextOfAWindow,
                         ::testing::Values(TextCase{"Empty", ""}, TextCase{"Abc", "abc"},
                                           TextCase{"Tag", "#tag_1Qafmj"},
                                           TextCase{"Long", std::string(5000, 'x')}),
                         [](const ::testing::TestParamInfo<TextCase>& param) {
                             return std::string(param.param.name);
                         });

TEST(WindowTextOfAWindowThatIsGone, IsEmpty) {
    SKIP_WITHOUT_DISPLAY();
    HWND gone = nullptr;
    {
        ScratchWindow control(WS_POPUP, nullptr, RECT{0, 0, 10, 10}, "EDIT");
        gone = control.get();
    }
    std::string out = "previous";
    EXPECT_TRUE(loomkit::window_text_to_string(gone, out));
    EXPECT_EQ("", out);
}

}  // namespace
