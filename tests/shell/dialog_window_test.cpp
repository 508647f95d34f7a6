#include <gtest/gtest.h>

#include <ostream>
#include <stdexcept>

#include "shell/app_module.h"
#include "test_resources.h"
#include "test_support.h"
#include "test_windows.h"

namespace {

DLGPROC DialogProcOf(HWND dialog) {
    return reinterpret_cast<DLGPROC>(
        static_cast<std::uintptr_t>(GetWindowLongA(dialog, DWL_DLGPROC)));
}

class DialogWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        SKIP_WITHOUT_DISPLAY();
        // Every test starts and must end with nothing announced.
        ASSERT_EQ(nullptr, appModule.TakeCreation());
    }
    void TearDown() override { EXPECT_EQ(nullptr, appModule.TakeCreation()); }
};

struct TemplateCase {
    WORD templateId;
    UINT expectedFirst;
};

void PrintTo(const TemplateCase& c, std::ostream* out) { *out << "template " << c.templateId; }

class FirstMessage : public DialogWindowTest, public ::testing::WithParamInterface<TemplateCase> {};

TEST_P(FirstMessage, AlreadyReachesTheObjectWithItsHandleSet) {
    TestDialog dialog(GetParam().templateId);
    const HWND window = dialog.CreateModeless(nullptr, 0);
    ASSERT_NE(nullptr, window);
    EXPECT_EQ(window, dialog.Handle());

    ASSERT_FALSE(dialog.seen.empty());
    EXPECT_EQ(GetParam().expectedFirst, dialog.seen.front().message);
    for (const SeenMessage& s : dialog.seen) {
        EXPECT_EQ(window, s.window) << "message " << s.message;
        EXPECT_EQ(window, s.handle) << "message " << s.message;
    }
    EXPECT_TRUE(dialog.Saw(WM_INITDIALOG));
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(dialog.ThunkCode()),
              reinterpret_cast<std::uintptr_t>(DialogProcOf(window)));
}

INSTANTIATE_TEST_SUITE_P(Templates, FirstMessage,
                         ::testing::Values(TemplateCase{IDD_TEST_WITH_FONT, WM_SETFONT},
                                           TemplateCase{IDD_TEST_PLAIN, WM_INITDIALOG}),
                         [](const ::testing::TestParamInfo<TemplateCase>& param) {
                             return param.param.templateId == IDD_TEST_WITH_FONT ? "WithFont"
                                                                                 : "Plain";
                         });

TEST_F(DialogWindowTest, ModelessThenModalOnOneThreadEachGetTheirOwnObject) {
    TestDialog main(IDD_TEST_WITH_FONT);
    ASSERT_NE(nullptr, main.CreateModeless(nullptr, 0));

    TestDialog about(IDD_TEST_PLAIN);
    HWND aboutWindow = nullptr;
    HWND mainWhileModal = nullptr;
    HWND ownerWhileModal = nullptr;
    about.handler = [&](UINT message, WPARAM wParam, LPARAM, LRESULT& result) {
        if (message == WM_INITDIALOG) {
            aboutWindow = about.Handle();
            mainWhileModal = main.Handle();
            ownerWhileModal = GetParent(about.Handle());
            // The modal loop is ours only through the queue.
            PostMessageA(about.Handle(), WM_COMMAND, IDCANCEL, 0);
            result = 1;
            return true;
        }
        if (message == WM_COMMAND && LOWORD(wParam) == IDCANCEL) {
            EndDialog(about.Handle(), 42);
            result = 0;
            return true;
        }
        return false;
    };
    EXPECT_EQ(42, about.RunModal(main.Handle(), 0));

    ASSERT_NE(nullptr, aboutWindow);
    EXPECT_NE(main.Handle(), aboutWindow);
    EXPECT_EQ(main.Handle(), mainWhileModal);
    EXPECT_EQ(aboutWindow, about.seen.front().handle);
    EXPECT_EQ(main.Handle(), ownerWhileModal);
    // The modal dialog is gone and its object let go of it.
    EXPECT_EQ(nullptr, about.Handle());
    EXPECT_EQ(1, about.afterLastCalls);
    for (const SeenMessage& s : main.seen) EXPECT_EQ(main.Handle(), s.window);
}

// What the dialog procedure itself answers, and what it leaves in
// DWL_MSGRESULT, for one handled message.
struct Answer {
    INT_PTR returned;
    LONG stored;
};

Answer AnswerOf(HWND dialog, UINT message, WPARAM wParam = 0) {
    constexpr LONG kUntouched = 0x5EED;
    SetWindowLongA(dialog, DWL_MSGRESULT, kUntouched);
    const INT_PTR returned = DialogProcOf(dialog)(dialog, message, wParam, 0);
    return {returned, GetWindowLongA(dialog, DWL_MSGRESULT)};
}

TEST_F(DialogWindowTest, TwelveMessagesReturnTheirResultTheOthersStoreIt) {
    constexpr LRESULT kResult = 0x1234567;
    const UINT direct[] = {WM_VKEYTOITEM,   WM_CHARTOITEM,        WM_QUERYDRAGICON,
                           WM_COMPAREITEM,  WM_INITDIALOG,        WM_CTLCOLORMSGBOX,
                           WM_CTLCOLOREDIT, WM_CTLCOLORLISTBOX,   WM_CTLCOLORBTN,
                           WM_CTLCOLORDLG,  WM_CTLCOLORSCROLLBAR, WM_CTLCOLORSTATIC};
    const UINT stored[] = {WM_COMMAND,  WM_TIMER,       WM_NOTIFY,         WM_SETCURSOR,
                           WM_DRAWITEM, WM_MEASUREITEM, WM_CHARTOITEM + 1, WM_APP};

    TestDialog dialog(IDD_TEST_PLAIN);
    ASSERT_NE(nullptr, dialog.CreateModeless(nullptr, 0));
    UINT handledOnly = 0;
    LRESULT answer = kResult;
    dialog.handler = [&](UINT message, WPARAM, LPARAM, LRESULT& result) {
        if (message != handledOnly) return false;
        result = answer;
        return true;
    };
    for (UINT message : direct) {
        handledOnly = message;
        const Answer a = AnswerOf(dialog.Handle(), message);
        EXPECT_EQ(kResult, a.returned) << "message 0x" << std::hex << message;
        EXPECT_EQ(0x5EED, a.stored) << "message 0x" << std::hex << message;
    }
    for (UINT message : stored) {
        handledOnly = message;
        const Answer a = AnswerOf(dialog.Handle(), message);
        EXPECT_EQ(TRUE, a.returned) << "message 0x" << std::hex << message;
        EXPECT_EQ(kResult, a.stored) << "message 0x" << std::hex << message;
    }
    // The dialog manager hands on the stored result, 0 included.
    handledOnly = WM_COMMAND;
    for (LRESULT value : {LRESULT{0}, LRESULT{77}}) {
        answer = value;
        EXPECT_EQ(value, SendMessageA(dialog.Handle(), WM_COMMAND, IDOK, 0));
        EXPECT_EQ(value, GetWindowLongA(dialog.Handle(), DWL_MSGRESULT));
    }
    // Left unhandled: FALSE, and DWL_MSGRESULT is not touched.
    handledOnly = 0;
    for (UINT message : {UINT{WM_COMMAND}, UINT{WM_INITDIALOG}}) {
        const Answer a = AnswerOf(dialog.Handle(), message);
        EXPECT_EQ(FALSE, a.returned);
        EXPECT_EQ(0x5EED, a.stored);
    }
}

TEST_F(DialogWindowTest, UnhandledNcDestroyClearsTheHandleAndEndsOnce) {
    TestDialog dialog(IDD_TEST_WITH_FONT);
    const HWND window = dialog.CreateModeless(nullptr, 0);
    ASSERT_NE(nullptr, window);
    ASSERT_EQ(0, dialog.afterLastCalls);

    DestroyWindow(window);
    EXPECT_EQ(nullptr, dialog.Handle());
    EXPECT_EQ(1, dialog.afterLastCalls);
    EXPECT_EQ(window, dialog.afterLastHandle);
    EXPECT_EQ(nullptr, dialog.handleAtAfterLast);
    EXPECT_EQ(WM_NCDESTROY, dialog.seen.back().message);
}

TEST_F(DialogWindowTest, FailedCreateLeavesNothingAnnounced) {
    TestDialog missing(IDD_TEST_MISSING);
    EXPECT_EQ(nullptr, missing.CreateModeless(nullptr, 0));
    EXPECT_EQ(nullptr, appModule.TakeCreation());
    EXPECT_EQ(-1, missing.RunModal(nullptr, 0));
    EXPECT_EQ(nullptr, appModule.TakeCreation());
    EXPECT_TRUE(missing.seen.empty());

    // The next dialog of the thread still gets its own object.
    TestDialog next(IDD_TEST_PLAIN);
    const HWND window = next.CreateModeless(nullptr, 0);
    ASSERT_NE(nullptr, window);
    EXPECT_EQ(window, next.Handle());
    EXPECT_EQ(nullptr, missing.Handle());
}

TEST_F(DialogWindowTest, UnannouncedDialogIsLeftToTheDialogManager) {
    const HWND orphan = CreateDialogParamA(appModule.instance, MAKEINTRESOURCEA(IDD_TEST_PLAIN),
                                           nullptr, FirstMessageProc, 0);
    ASSERT_NE(nullptr, orphan);

    // A record announced afterwards belongs to a dialog yet to come, not to
    // a message that the orphan receives in the meantime.
    TestDialog later(IDD_TEST_PLAIN);
    PendingCreation record;
    appModule.PushCreation(&record, &later);
    SendMessageA(orphan, WM_APP, 0, 0);
    SendMessageA(orphan, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(&later, appModule.TakeCreation());
    EXPECT_EQ(nullptr, later.Handle());
    EXPECT_TRUE(later.seen.empty());
    DestroyWindow(orphan);
}

TEST_F(DialogWindowTest, ExceptionFromTheHandlerStopsAtTheProcedure) {
    TestDialog dialog(IDD_TEST_PLAIN);
    const HWND window = dialog.CreateModeless(nullptr, 0);
    ASSERT_NE(nullptr, window);
    dialog.handler = [](UINT message, WPARAM wParam, LPARAM, LRESULT& result) -> bool {
        if (message == WM_COMMAND && LOWORD(wParam) == 77)
            throw std::runtime_error("refresh failed");
        if (message == WM_NCDESTROY) throw 5;  // not even a standard exception
        if (message != WM_APP) return false;
        result = 9;
        return true;
    };
    // Through the platform's own frames: the process would end here if the
    // exception were let out.
    EXPECT_EQ(0, SendMessageA(window, WM_COMMAND, 77, 0));
    // Counted as not handled.
    const Answer a = AnswerOf(window, WM_COMMAND, 77);
    EXPECT_EQ(FALSE, a.returned);
    EXPECT_EQ(0x5EED, a.stored);
    // The dialog goes on working.
    EXPECT_EQ(9, SendMessageA(window, WM_APP, 0, 0));

    // A failing last message still lets go of the window.
    DestroyWindow(window);
    EXPECT_EQ(nullptr, dialog.Handle());
    EXPECT_EQ(1, dialog.afterLastCalls);
}

TEST_F(DialogWindowTest, CentresItselfInTheWorkAreaAtInit) {
    TestDialog dialog(IDD_TEST_WITH_FONT);
    BOOL placed = FALSE;
    dialog.handler = [&](UINT message, WPARAM, LPARAM, LRESULT& result) {
        if (message != WM_INITDIALOG) return false;
        placed = dialog.PlaceCentred(nullptr);
        result = 1;
        return true;
    };
    ASSERT_NE(nullptr, dialog.CreateModeless(nullptr, 0));
    EXPECT_TRUE(placed);

    RECT area{}, box{};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    GetWindowRect(dialog.Handle(), &box);
    EXPECT_NEAR((area.left + area.right) / 2, (box.left + box.right) / 2, 1);
    EXPECT_NEAR((area.top + area.bottom) / 2, (box.top + box.bottom) / 2, 1);
}

}  // namespace
