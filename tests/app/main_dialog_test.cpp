// The main dialog in this process: what its initialisation sets up and how it
// answers the messages it is sent.
#include <windows.h>

#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "in_process.h"
#include "res/resource_ids.h"
#include "shell/app_module.h"
#include "shell/main_dialog.h"
#include "shell/message_loop.h"
#include "shell/refresh_output.h"

namespace {

// A loop whose lists can be looked at.
class VisibleLoop : public MessageLoop {
  public:
    int Filters() const { return filters.count; }
    int IdleTasks() const { return idleTasks.count; }
    PreDispatchFilter* Filter(int i) const { return filters.data[i]; }
    IdleTask* Task(int i) const { return idleTasks.data[i]; }
};

class MainDialogTest : public ::testing::Test {
  protected:
    void SetUp() override {
        SKIP_WITHOUT_DISPLAY();
        ASSERT_TRUE(appModule.RegisterLoop(&loop_));
        registered_ = true;
        ASSERT_NE(nullptr, dialog_.CreateModeless(nullptr, 0));
    }
    void TearDown() override {
        if (registered_) appModule.UnregisterLoop();
        // Left by Close: not for the next test.
        MSG quit;
        PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
    }

    HWND Field(int id) const { return GetDlgItem(dialog_.Handle(), id); }
    void SetFields(const char* tag, const char* name) {
        SetWindowTextA(Field(IDC_TAG_FIELD), tag);
        SetWindowTextA(Field(IDC_NAME_FIELD), name);
    }
    std::string Output() const { return WindowText(Field(IDC_OUTPUT_FIELD)); }

    // What HandleMessage answers; result is 0x5A5A when it was left alone.
    BOOL Handle(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result, DWORD section = 0) {
        result = 0x5A5A;
        return dialog_.HandleMessage(dialog_.Handle(), message, wParam, lParam, result, section);
    }

    VisibleLoop loop_;
    bool registered_ = false;
    MainDialog dialog_;
};

TEST_F(MainDialogTest, InitialisationJoinsTheLoopSetsIconsAndStartsTheTimer) {
    ASSERT_EQ(1, loop_.Filters());
    ASSERT_EQ(1, loop_.IdleTasks());
    EXPECT_EQ(static_cast<PreDispatchFilter*>(&dialog_), loop_.Filter(0));
    EXPECT_EQ(static_cast<IdleTask*>(&dialog_), loop_.Task(0));
    EXPECT_NE(0, SendMessageA(dialog_.Handle(), WM_GETICON, ICON_BIG, 0));
    EXPECT_NE(0, SendMessageA(dialog_.Handle(), WM_GETICON, ICON_SMALL, 0));
    EXPECT_TRUE(KillTimer(dialog_.Handle(), REFRESH_TIMER_ID));
    EXPECT_FALSE(IsWindowVisible(dialog_.Handle())) << "the run shows it, not the creation";
    EXPECT_EQ("", Output());
}

TEST_F(MainDialogTest, AnyTimerRefreshesTheOutput) {
    SetFields("x", "abc");
    LRESULT result;
    EXPECT_TRUE(Handle(WM_TIMER, 999, 0, result));
    EXPECT_EQ(0, result);
    EXPECT_EQ("x_1Qafmj", Output());
}

struct Unhandled {
    const char* name;
    UINT message;
    WPARAM wParam;
    DWORD section;
};

void PrintTo(const Unhandled& u, std::ostream* out) { *out << u.name; }

const Unhandled kUnhandled[] = {
    {"TimerInAnotherSection", WM_TIMER, REFRESH_TIMER_ID, 1},
    {"CopyInAnotherSection", WM_COMMAND, IDOK, 1},
    {"EditNotificationOfTheTagField", WM_COMMAND, MAKEWPARAM(IDC_TAG_FIELD, EN_CHANGE), 0},
    {"EditNotificationOfTheOutputField", WM_COMMAND, MAKEWPARAM(IDC_OUTPUT_FIELD, EN_UPDATE), 0},
    {"OtherCommand", WM_COMMAND, 0x1234, 0},
    {"Close", WM_CLOSE, 0, 0},
    {"Destroy", WM_DESTROY, 0, 0},
};

class MainDialogLeavesAlone : public MainDialogTest,
                              public ::testing::WithParamInterface<Unhandled> {};

TEST_P(MainDialogLeavesAlone, TheMessage) {
    SetWindowTextA(Field(IDC_OUTPUT_FIELD), "kept");
    LRESULT result;
    EXPECT_FALSE(Handle(GetParam().message, GetParam().wParam, 0, result, GetParam().section));
    EXPECT_EQ(0x5A5A, result);
    EXPECT_EQ("kept", Output());
    EXPECT_TRUE(IsWindow(dialog_.Handle()));
}

INSTANTIATE_TEST_SUITE_P(Messages, MainDialogLeavesAlone, ::testing::ValuesIn(kUnhandled),
                         [](const ::testing::TestParamInfo<Unhandled>& p) {
                             return std::string(p.param.name);
                         });

TEST_F(MainDialogTest, CopyWithAnyNotificationCodePutsTheWholeOutputOnTheClipboard) {
    SetWindowTextA(Field(IDC_OUTPUT_FIELD), "#news_tTukG");
    // Only part of it selected: the copy still takes all of it.
    SendMessageA(Field(IDC_OUTPUT_FIELD), EM_SETSEL, 2, 4);
    ASSERT_TRUE(PumpUntil(zentrail::drive::EmptyTheClipboard));
    LRESULT result;
    EXPECT_TRUE(Handle(WM_COMMAND, MAKEWPARAM(IDOK, 0x77), 0, result));
    EXPECT_EQ(0, result);
    std::string copied;
    EXPECT_TRUE(PumpUntil([&] { return zentrail::drive::ClipboardText(copied); }));
    EXPECT_EQ("#news_tTukG", copied);
}

TEST_F(MainDialogTest, CloseDestroysTheWindowAndPostsQuitWith2) {
    LRESULT result;
    EXPECT_TRUE(Handle(WM_COMMAND, MAKEWPARAM(IDCANCEL, 0x77), 0, result));
    EXPECT_EQ(0, result);
    EXPECT_EQ(nullptr, dialog_.Handle());
    MSG quit{};
    ASSERT_TRUE(PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(2u, quit.wParam);
}

TEST_F(MainDialogTest, FilterHandsTheDialogsKeysToTheDialogManager) {
    MSG tab{};
    tab.hwnd = Field(IDC_TAG_FIELD);
    tab.message = WM_KEYDOWN;
    tab.wParam = VK_TAB;
    EXPECT_NE(0, dialog_.FilterMessage(&tab));

    // A message for a window outside the dialog is not its business.
    const HWND other = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                       GetModuleHandleA(nullptr), nullptr);
    MSG elsewhere{};
    elsewhere.hwnd = other;
    elsewhere.message = WM_KEYDOWN;
    elsewhere.wParam = VK_TAB;
    EXPECT_EQ(0, dialog_.FilterMessage(&elsewhere));
    DestroyWindow(other);
}

}  // namespace
