#include "loomkit/window_text_win32.h"

#include <gtest/gtest.h>

#include <string>

#include "test_support.h"

namespace {

TEST(WindowTextOfAWindow, IsTheWholeTextAndEmptyOnceTheWindowIsGone) {
    SKIP_WITHOUT_DISPLAY();
    for (const std::string& text :
         {std::string(), std::string("#tag_1Qafmj"), std::string(5000, 'x')}) {
        ScratchWindow edit(WS_POPUP | ES_AUTOHSCROLL, nullptr, RECT{0, 0, 200, 20}, "EDIT");
        ASSERT_TRUE(SetWindowTextA(edit.get(), text.c_str()));
        std::string out = "previous";
        EXPECT_TRUE(loomkit::window_text_to_string(edit.get(), out));
        EXPECT_EQ(text, out);
    }
    HWND gone = ScratchWindow(WS_POPUP, nullptr, RECT{0, 0, 10, 10}, "EDIT").get();
    std::string out = "previous";
    EXPECT_TRUE(loomkit::window_text_to_string(gone, out));
    EXPECT_EQ("", out);
}

}  // namespace
