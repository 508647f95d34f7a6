// Objects bound to dialogs and controls through their thunks.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <stdexcept>
#include <tuple>
#include <utility>
#include <vector>

#include "shell/control_window.h"
#include "shell/dialog_window.h"
#include "shell/window_long.h"
#include "test_support.h"
#include "window_test_resources.h"

namespace {

// A window object that records what reached it and may be given a handler;
// a handler that returns false leaves the message unhandled.
using Handler = std::function<bool(UINT message, WPARAM wParam, LRESULT& result)>;

struct Seen {
    UINT message;
    HWND window;  // the handle the framework passed
    HWND handle;  // the object's handle at that moment
};

template <class Base>
struct Recording : Base {
    template <class... Args>
    explicit Recording(Args&&... args) : Base(std::forward<Args>(args)...) {}
    ~Recording() {
        if (this->Handle() != nullptr) DestroyWindow(this->Handle());
    }
    BOOL HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM, LRESULT& result,
                       DWORD section) override {
        seen.push_back({message, window, this->Handle()});
        return section == 0 && handler && handler(message, wParam, result);
    }
    void AfterLastMessage(HWND oldHandle) override {
        ++afterLastCalls;
        afterLast = {oldHandle, this->Handle(), GetWindowLongPtrA(oldHandle, GWLP_WNDPROC)};
    }
    bool Saw(UINT message) const {
        return std::any_of(seen.begin(), seen.end(),
                           [&](const Seen& s) { return s.message == message; });
    }
    using Base::ThunkCode;

    std::vector<Seen> seen;
    Handler handler;
    int afterLastCalls = 0;
    // The old handle, and the object's handle and window's procedure at that moment.
    std::tuple<HWND, HWND, LONG_PTR> afterLast{};
};

using TestDialog = Recording<DialogWindow>;

struct TestControl : Recording<ControlWindow> {
    WNDPROC PreviousProc() const { return previousProc; }
};

// MEM_FREE, or the protection of committed memory: PAGE_EXECUTE_READ is what
// an NX-compatible program needs for code it made itself (under Wine a thunk
// in writable memory would run anyway).
DWORD StateOf(const void* code) {
    MEMORY_BASIC_INFORMATION info{};
    VirtualQuery(code, &info, sizeof info);
    return info.State == MEM_COMMIT ? info.Protect : info.State;
}

// --- The thunk ----------------------------------------------------------------------

using Call = std::tuple<const void*, UINT, WPARAM, LPARAM>;
Call g_call;

LRESULT CALLBACK RecordCall(const void* object, UINT message, WPARAM wParam, LPARAM lParam) {
    g_call = {object, message, wParam, lParam};
    return 0x5A5A;
}

TEST(WindowThunk, HandsItsObjectToTheTargetFromAnExecuteReadPageFreedWithIt) {
    int first = 0, second = 0;
    const auto target = reinterpret_cast<ThunkTarget>(&RecordCall);
    const void* code = nullptr;
    {
        WindowThunk thunk;
        EXPECT_EQ(nullptr, thunk.Code());
        for (const int* object : {&first, &second}) {
            ASSERT_TRUE(thunk.Write(object, target));
            // Rewritten in place, and execute-read again.
            if (code == nullptr) code = thunk.Code();
            EXPECT_EQ(code, thunk.Code());
            EXPECT_EQ(DWORD{PAGE_EXECUTE_READ}, StateOf(code));
            EXPECT_EQ(0x5A5A, thunk.AsWindowProc()(HWND{}, WM_APP + 1, 7, -8));
            EXPECT_EQ(Call(object, WM_APP + 1, 7, -8), g_call);
        }
        // The same code again costs nothing and stays as it is.
        ASSERT_TRUE(thunk.Write(&second, target));
        EXPECT_EQ(DWORD{PAGE_EXECUTE_READ}, StateOf(code));
        EXPECT_EQ(0x5A5A, thunk.AsDialogProc()(nullptr, WM_APP, 0, 0));
        EXPECT_EQ(&second, std::get<0>(g_call));
    }
    EXPECT_EQ(DWORD{MEM_FREE}, StateOf(code));
}

// Ends with its window still there.
struct BareDialog : DialogWindow {
    BareDialog() : DialogWindow(IDD_TEST_PLAIN) {}
    BOOL HandleMessage(HWND, UINT, WPARAM, LPARAM, LRESULT&, DWORD) override { return FALSE; }
    using DialogWindow::ThunkCode;
};

// What the platform calls for a bound window is the thunk, never the object's
// memory. An object ended before its dialog takes the dialog along.
TEST(WindowThunk, IsTheProcedureOfBoundDialogsAndControls) {
    SKIP_WITHOUT_DISPLAY();
    auto dialog = std::make_unique<BareDialog>();
    const HWND window = dialog->CreateModeless(nullptr, 0);
    ASSERT_NE(nullptr, window);
    const void* code = reinterpret_cast<const void*>(GetWindowLongPtrA(window, DWLP_DLGPROC));
    EXPECT_EQ(dialog->ThunkCode(), code);
    EXPECT_EQ(DWORD{PAGE_EXECUTE_READ}, StateOf(code));

    TestControl control;
    ASSERT_TRUE(control.BindControl(GetWindow(window, GW_CHILD)));
    EXPECT_EQ(AsWindowLong(control.ThunkCode()), GetWindowLongPtrA(control.Handle(), GWLP_WNDPROC));
    EXPECT_EQ(DWORD{PAGE_EXECUTE_READ}, StateOf(control.ThunkCode()));

    dialog.reset();
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(DWORD{MEM_FREE}, StateOf(code));
}

// --- Dialogs ------------------------------------------------------------------------

class DialogWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        SKIP_WITHOUT_DISPLAY();
        ASSERT_EQ(nullptr, appModule.TakeCreation());
    }
    // Every test must end with nothing announced.
    void TearDown() override { EXPECT_EQ(nullptr, appModule.TakeCreation()); }
};

TEST_F(DialogWindowTest, FirstMessageAlreadyReachesTheObjectWithItsHandleSet) {
    // With a font, WM_SETFONT comes before WM_INITDIALOG.
    for (const auto& [id, first] : {std::pair<WORD, UINT>{IDD_TEST_WITH_FONT, WM_SETFONT},
                                    std::pair<WORD, UINT>{IDD_TEST_PLAIN, WM_INITDIALOG}}) {
        SCOPED_TRACE(id);
        TestDialog dialog(id);
        const HWND window = dialog.CreateModeless(nullptr, 0);
        ASSERT_NE(nullptr, window);
        EXPECT_EQ(window, dialog.Handle());
        EXPECT_EQ(first, dialog.seen.empty() ? WM_NULL : dialog.seen.front().message);
        EXPECT_TRUE(dialog.Saw(WM_INITDIALOG));
        for (const Seen& s : dialog.seen)
            EXPECT_TRUE(s.window == window && s.handle == window) << "message " << s.message;
    }
}

TEST_F(DialogWindowTest, ModelessThenModalOnOneThreadEachGetTheirOwnObject) {
    TestDialog main(IDD_TEST_WITH_FONT);
    ASSERT_NE(nullptr, main.CreateModeless(nullptr, 0));
    TestDialog about(IDD_TEST_PLAIN);
    HWND aboutWindow = nullptr, owner = nullptr;
    about.handler = [&](UINT message, WPARAM wParam, LRESULT& result) {
        if (message == WM_INITDIALOG) {
            aboutWindow = about.Handle();
            owner = GetParent(aboutWindow);
            PostMessageA(about.Handle(), WM_COMMAND, IDCANCEL, 0);
        } else if (message == WM_COMMAND && LOWORD(wParam) == IDCANCEL) {
            EndDialog(about.Handle(), 42);
        } else {
            return false;
        }
        result = message == WM_INITDIALOG;
        return true;
    };
    EXPECT_EQ(42, about.RunModal(main.Handle(), 0));
    EXPECT_NE(main.Handle(), aboutWindow);
    EXPECT_EQ(main.Handle(), owner);
    EXPECT_EQ(nullptr, about.Handle());
    EXPECT_EQ(1, about.afterLastCalls);
    for (const Seen& s : main.seen) EXPECT_EQ(main.Handle(), s.window);
}

// Whatever way the dialog manager expects a handled message's result (the
// procedure's return for these twelve, DWLP_MSGRESULT for the rest), the
// sender gets the handler's.
TEST_F(DialogWindowTest, SendersGetTheHandlersResultsAndUnhandledLeavesThemAlone) {
    constexpr LRESULT kResult = 0x1234567;
    TestDialog dialog(IDD_TEST_PLAIN);
    const HWND window = dialog.CreateModeless(nullptr, 0);
    ASSERT_NE(nullptr, window);
    dialog.handler = [](UINT message, WPARAM, LRESULT& result) -> bool {
        if (message == WM_COMMAND) throw std::runtime_error("refresh failed");
        if (message == WM_CLOSE) throw 5;  // not even a standard exception
        result = kResult;
        return message != WM_USER;
    };
    for (const UINT message : std::initializer_list<UINT>{
             WM_VKEYTOITEM, WM_CHARTOITEM, WM_QUERYDRAGICON, WM_COMPAREITEM, WM_INITDIALOG,
             WM_CTLCOLORMSGBOX, WM_CTLCOLOREDIT, WM_CTLCOLORLISTBOX, WM_CTLCOLORBTN, WM_CTLCOLORDLG,
             WM_CTLCOLORSCROLLBAR, WM_CTLCOLORSTATIC, WM_NOTIFY, WM_TIMER, WM_APP}) {
        EXPECT_EQ(kResult, SendMessageA(window, message, 0, 0)) << std::hex << message;
    }
    // Unhandled, or failed with an exception that stops at the procedure
    // (through the platform's frames the process would end): FALSE, and
    // DWLP_MSGRESULT untouched.
    const auto proc = FromWindowLong<DLGPROC>(GetWindowLongPtrA(window, DWLP_DLGPROC));
    for (const UINT message : std::initializer_list<UINT>{WM_USER, WM_COMMAND, WM_CLOSE}) {
        SetWindowLongPtrA(window, DWLP_MSGRESULT, 0x5EED);
        EXPECT_EQ(FALSE, proc(window, message, 0, 0)) << message;
        EXPECT_EQ(0x5EED, GetWindowLongPtrA(window, DWLP_MSGRESULT)) << message;
    }
    EXPECT_TRUE(IsWindow(window));
}

TEST_F(DialogWindowTest, LastMessageClearsTheHandleAndEndsOnceEvenWhenItThrows) {
    for (const bool throws : {false, true}) {
        TestDialog dialog(IDD_TEST_WITH_FONT);
        const HWND window = dialog.CreateModeless(nullptr, 0);
        ASSERT_NE(nullptr, window);
        if (throws) {
            dialog.handler = [](UINT message, WPARAM, LRESULT&) -> bool {
                if (message == WM_NCDESTROY) throw std::runtime_error("late");
                return false;
            };
        }
        DestroyWindow(window);
        EXPECT_EQ(1, dialog.afterLastCalls);
        EXPECT_EQ(window, std::get<0>(dialog.afterLast));
        EXPECT_EQ(nullptr, std::get<1>(dialog.afterLast));
    }
}

TEST_F(DialogWindowTest, FailedCreateLeavesNothingAnnounced) {
    TestDialog missing(IDD_TEST_MISSING);
    EXPECT_EQ(nullptr, missing.CreateModeless(nullptr, 0));
    EXPECT_EQ(nullptr, appModule.TakeCreation());
    EXPECT_EQ(-1, missing.RunModal(nullptr, 0));
    EXPECT_TRUE(missing.seen.empty());
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
    SendMessageA(orphan, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(&later, appModule.TakeCreation());
    EXPECT_TRUE(later.seen.empty());
    DestroyWindow(orphan);
}

// --- Controls -----------------------------------------------------------------------

class ControlWindowTest : public ::testing::Test {
  protected:
    void SetUp() override { SKIP_WITHOUT_DISPLAY(); }

    ScratchWindow parent{WS_POPUP};
    ScratchWindow label{WS_CHILD, parent.get()};
};

TEST_F(ControlWindowTest, HandlesWhatItHandlesAndPassesOnTheRestEvenAfterAnException) {
    TestControl control;
    control.handler = [](UINT message, WPARAM, LRESULT& result) -> bool {
        if (message == WM_GETTEXT) throw std::runtime_error("no text for you");
        result = 1234;
        return message == WM_APP;
    };
    ASSERT_TRUE(control.BindControl(label.get()));
    EXPECT_EQ(label.get(), control.Handle());
    EXPECT_EQ(1234, SendMessageA(label.get(), WM_APP, 0, 0));
    SetWindowTextA(label.get(), "hello");
    EXPECT_EQ("hello", zentrail::drive::TextOf(label.get()));
    EXPECT_TRUE(control.Saw(WM_SETTEXT) && control.Saw(WM_GETTEXT));
    for (const Seen& s : control.seen) EXPECT_EQ(label.get(), s.handle);
}

TEST_F(ControlWindowTest, BindingAWindowThatIsGoneFailsAndLeavesTheObjectUnbound) {
    const HWND gone = ScratchWindow(WS_CHILD, parent.get()).get();
    TestControl control;
    EXPECT_FALSE(control.BindControl(gone));
    EXPECT_EQ(nullptr, control.Handle());
    EXPECT_EQ(AsWindowLong(&DefWindowProcA), AsWindowLong(control.PreviousProc()));
}

// Subclasses a window after the object did, and forwards everything.
WNDPROC g_outerNext = nullptr;

LRESULT CALLBACK OuterProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return CallWindowProcA(g_outerNext, window, message, wParam, lParam);
}

TEST_F(ControlWindowTest, LastMessagePutsThePreviousProcedureBackOnlyIfStillOurs) {
    for (const bool subclassedLater : {false, true}) {
        SCOPED_TRACE(subclassedLater);
        ScratchWindow window(WS_CHILD, parent.get());
        const LONG_PTR original = GetWindowLongPtrA(window.get(), GWLP_WNDPROC);
        TestControl control;
        ASSERT_TRUE(control.BindControl(window.get()));
        EXPECT_EQ(original, AsWindowLong(control.PreviousProc()));
        if (subclassedLater) {
            g_outerNext = FromWindowLong<WNDPROC>(
                SetWindowLongPtrA(window.get(), GWLP_WNDPROC, AsWindowLong(&OuterProc)));
            ASSERT_EQ(AsWindowLong(control.ThunkCode()), AsWindowLong(g_outerNext));
        }
        DestroyWindow(window.get());
        EXPECT_EQ(1, control.afterLastCalls);
        EXPECT_EQ(std::make_tuple(window.get(), HWND{},
                                  subclassedLater ? AsWindowLong(&OuterProc) : original),
                  control.afterLast);
        EXPECT_TRUE(control.Saw(WM_NCDESTROY));
    }
}

}  // namespace
