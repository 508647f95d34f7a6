// Objects bound to dialogs and controls through their thunks.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "shell/control_window.h"
#include "shell/dialog_window.h"
#include "shell/window_long.h"
#include "test_resources.h"
#include "test_support.h"

namespace {

std::uintptr_t Address(const void* p) { return reinterpret_cast<std::uintptr_t>(p); }

// A window object that records what reached it and may be given a handler;
// a handler that returns false leaves the message unhandled.
using Handler = std::function<bool(UINT message, WPARAM wParam, LRESULT& result)>;

struct Seen {
    UINT message;
    HWND window;  // the handle the framework passed
    HWND handle;  // the object's handle at that moment
};

template <class Base>
class Recording : public Base {
  public:
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
        afterLastHandle = oldHandle;
        handleAtAfterLast = this->Handle();
        procAtAfterLast = GetWindowLongPtrA(oldHandle, GWLP_WNDPROC);
    }
    bool Saw(UINT message) const {
        for (const Seen& s : seen) {
            if (s.message == message) return true;
        }
        return false;
    }
    using Base::ThunkCode;

    std::vector<Seen> seen;
    Handler handler;
    int afterLastCalls = 0;
    HWND afterLastHandle = nullptr;
    HWND handleAtAfterLast = reinterpret_cast<HWND>(1);
    LONG_PTR procAtAfterLast = 0;  // the window's procedure while AfterLastMessage ran
};

using TestDialog = Recording<DialogWindow>;

struct TestControl : Recording<ControlWindow> {
    WNDPROC PreviousProc() const { return previousProc; }
};

DLGPROC DialogProcOf(HWND dialog) {
    return FromWindowLong<DLGPROC>(GetWindowLongPtrA(dialog, DWLP_DLGPROC));
}

// --- The thunk ----------------------------------------------------------------------

// Committed, executable and not writable: what an NX-compatible program needs
// for code it made itself.
bool IsExecuteReadCode(const void* code) {
    MEMORY_BASIC_INFORMATION info{};
    return VirtualQuery(code, &info, sizeof info) == sizeof info && info.State == MEM_COMMIT &&
           info.Protect == PAGE_EXECUTE_READ;
}

bool IsFree(const void* code) {
    MEMORY_BASIC_INFORMATION info{};
    return VirtualQuery(code, &info, sizeof info) == sizeof info && info.State == MEM_FREE;
}

// The object and the target that the code in place hands on; zero unless the
// opcodes are right. Read independently of the assembler: on i386
// mov dword ptr [esp+4], object; jmp target, on x86-64 mov rcx, object;
// mov rax, target; jmp rax.
struct Decoded {
    std::uintptr_t object = 0;
    std::uintptr_t target = 0;
};

Decoded Decode(const void* code) {
    const auto* bytes = static_cast<const unsigned char*>(code);
    Decoded decoded;
#if defined(__x86_64__)
    if (bytes[0] != 0x48 || bytes[1] != 0xB9 || bytes[10] != 0x48 || bytes[11] != 0xB8 ||
        bytes[20] != 0xFF || bytes[21] != 0xE0) {
        return {};
    }
    std::memcpy(&decoded.object, bytes + 2, 8);
    std::memcpy(&decoded.target, bytes + 12, 8);
#else
    const unsigned char opcodes[] = {0xC7, 0x44, 0x24, 0x04};
    if (std::memcmp(bytes, opcodes, 4) != 0 || bytes[8] != 0xE9) return {};
    std::int32_t displacement = 0;
    std::memcpy(&decoded.object, bytes + 4, 4);
    std::memcpy(&displacement, bytes + 9, 4);
    decoded.target = Address(code) + 13 + static_cast<std::uintptr_t>(displacement);
#endif
    return decoded;
}

void SomeTarget() {}

TEST(WindowThunk, IsTheStoreAndTheJumpInAnExecuteReadPageFreedWithIt) {
    int first = 0, second = 0;
    const void* code = nullptr;
    {
        WindowThunk thunk;
        ASSERT_TRUE(thunk.Write(&first, &SomeTarget));
        code = thunk.Code();
        EXPECT_TRUE(IsExecuteReadCode(code));
        EXPECT_EQ(Address(&first), Decode(code).object);
        EXPECT_EQ(reinterpret_cast<std::uintptr_t>(&SomeTarget), Decode(code).target);
        // Rewritten in place, and execute-read again.
        ASSERT_TRUE(thunk.Write(&second, &SomeTarget));
        EXPECT_EQ(code, thunk.Code());
        EXPECT_EQ(Address(&second), Decode(code).object);
        EXPECT_TRUE(IsExecuteReadCode(code));
    }
    EXPECT_TRUE(IsFree(code));
}

// What the platform calls for a bound window is the thunk, in an execute-read
// page of its own: never the object's memory (here heap and stack).
TEST(WindowThunk, IsTheProcedureOfBoundDialogsAndControls) {
    SKIP_WITHOUT_DISPLAY();
    auto dialog = std::make_unique<TestDialog>(IDD_TEST_PLAIN);
    const HWND window = dialog->CreateModeless(nullptr, 0);
    ASSERT_NE(nullptr, window);
    const void* code = reinterpret_cast<const void*>(DialogProcOf(window));
    EXPECT_EQ(dialog->ThunkCode(), code);
    EXPECT_TRUE(IsExecuteReadCode(code));
    EXPECT_EQ(Address(static_cast<BoundWindow*>(dialog.get())), Decode(code).object);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(&DialogMessageProc), Decode(code).target);

    TestControl control;
    ASSERT_TRUE(control.BindControl(GetWindow(window, GW_CHILD)));
    const auto* controlCode =
        FromWindowLong<const void*>(GetWindowLongPtrA(control.Handle(), GWLP_WNDPROC));
    EXPECT_EQ(control.ThunkCode(), controlCode);
    EXPECT_TRUE(IsExecuteReadCode(controlCode));
    EXPECT_EQ(Address(static_cast<BoundWindow*>(&control)), Decode(controlCode).object);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(&ControlMessageProc), Decode(controlCode).target);

    dialog.reset();
    EXPECT_TRUE(IsFree(code));
}

// Without these flags Windows would run a thunk from writable memory, or load
// the program at a fixed address. The shell's link options set them.
TEST(ExecutableHeader, IsMarkedNxCompatibleAndRelocatable) {
    const auto* base = reinterpret_cast<const unsigned char*>(GetModuleHandleA(nullptr));
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS32*>(base + dos->e_lfanew);
    ASSERT_EQ(IMAGE_NT_SIGNATURE, nt->Signature);
    const WORD flags = nt->OptionalHeader.DllCharacteristics;
    EXPECT_TRUE(flags & IMAGE_DLLCHARACTERISTICS_NX_COMPAT) << std::hex << flags;
    EXPECT_TRUE(flags & IMAGE_DLLCHARACTERISTICS_DYNAMIC_BASE) << std::hex << flags;
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
        ASSERT_FALSE(dialog.seen.empty());
        EXPECT_EQ(first, dialog.seen.front().message);
        EXPECT_TRUE(dialog.Saw(WM_INITDIALOG));
        for (const Seen& s : dialog.seen) {
            EXPECT_EQ(window, s.window) << "message " << s.message;
            EXPECT_EQ(window, s.handle) << "message " << s.message;
        }
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

    ASSERT_NE(nullptr, aboutWindow);
    EXPECT_NE(main.Handle(), aboutWindow);
    EXPECT_EQ(main.Handle(), owner);
    EXPECT_EQ(aboutWindow, about.seen.front().handle);
    EXPECT_EQ(nullptr, about.Handle());
    EXPECT_EQ(1, about.afterLastCalls);
    for (const Seen& s : main.seen) EXPECT_EQ(main.Handle(), s.window);
}

// What the dialog procedure returns, and what it leaves in DWLP_MSGRESULT.
struct Answer {
    INT_PTR returned;
    LONG_PTR stored;
};

constexpr LONG_PTR kUntouched = 0x5EED;

Answer AnswerOf(HWND dialog, UINT message, WPARAM wParam = 0) {
    SetWindowLongPtrA(dialog, DWLP_MSGRESULT, kUntouched);
    const INT_PTR returned = DialogProcOf(dialog)(dialog, message, wParam, 0);
    return {returned, GetWindowLongPtrA(dialog, DWLP_MSGRESULT)};
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
    dialog.handler = [&](UINT message, WPARAM, LRESULT& result) {
        result = kResult;
        return message == handledOnly;
    };
    for (UINT message : direct) {
        handledOnly = message;
        const Answer a = AnswerOf(dialog.Handle(), message);
        EXPECT_EQ(kResult, a.returned) << "message 0x" << std::hex << message;
        EXPECT_EQ(kUntouched, a.stored) << "message 0x" << std::hex << message;
    }
    for (UINT message : stored) {
        handledOnly = message;
        const Answer a = AnswerOf(dialog.Handle(), message);
        EXPECT_EQ(TRUE, a.returned) << "message 0x" << std::hex << message;
        EXPECT_EQ(kResult, a.stored) << "message 0x" << std::hex << message;
    }
    // Left unhandled: FALSE, and DWL_MSGRESULT is not touched.
    handledOnly = 0;
    for (UINT message : {UINT{WM_COMMAND}, UINT{WM_INITDIALOG}}) {
        const Answer a = AnswerOf(dialog.Handle(), message);
        EXPECT_EQ(FALSE, a.returned);
        EXPECT_EQ(kUntouched, a.stored);
    }
}

TEST_F(DialogWindowTest, UnhandledNcDestroyClearsTheHandleAndEndsOnce) {
    TestDialog dialog(IDD_TEST_WITH_FONT);
    const HWND window = dialog.CreateModeless(nullptr, 0);
    ASSERT_NE(nullptr, window);
    DestroyWindow(window);
    EXPECT_EQ(nullptr, dialog.Handle());
    EXPECT_EQ(1, dialog.afterLastCalls);
    EXPECT_EQ(window, dialog.afterLastHandle);
    EXPECT_EQ(nullptr, dialog.handleAtAfterLast);
}

TEST_F(DialogWindowTest, FailedCreateLeavesNothingAnnounced) {
    TestDialog missing(IDD_TEST_MISSING);
    EXPECT_EQ(nullptr, missing.CreateModeless(nullptr, 0));
    EXPECT_EQ(nullptr, appModule.TakeCreation());
    EXPECT_EQ(-1, missing.RunModal(nullptr, 0));
    EXPECT_EQ(nullptr, appModule.TakeCreation());
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

TEST_F(DialogWindowTest, ExceptionFromTheHandlerStopsAtTheProcedure) {
    TestDialog dialog(IDD_TEST_PLAIN);
    const HWND window = dialog.CreateModeless(nullptr, 0);
    ASSERT_NE(nullptr, window);
    dialog.handler = [](UINT message, WPARAM, LRESULT& result) -> bool {
        if (message == WM_COMMAND) throw std::runtime_error("refresh failed");
        if (message == WM_NCDESTROY) throw 5;  // not even a standard exception
        result = 9;
        return message == WM_APP;
    };
    // Through the platform's frames: the process would end if it got out.
    EXPECT_EQ(0, SendMessageA(window, WM_COMMAND, 77, 0));
    const Answer a = AnswerOf(window, WM_COMMAND, 77);  // counted as not handled
    EXPECT_EQ(FALSE, a.returned);
    EXPECT_EQ(kUntouched, a.stored);
    EXPECT_EQ(9, SendMessageA(window, WM_APP, 0, 0));
    // A failing last message still lets go of the window.
    DestroyWindow(window);
    EXPECT_EQ(nullptr, dialog.Handle());
    EXPECT_EQ(1, dialog.afterLastCalls);
}

// --- Controls -----------------------------------------------------------------------

class ControlWindowTest : public ::testing::Test {
  protected:
    void SetUp() override { SKIP_WITHOUT_DISPLAY(); }

    ScratchWindow parent{WS_POPUP};
    ScratchWindow label{WS_CHILD, parent.get()};
};

std::string TextOf(HWND window) { return zentrail::drive::TextOf(window); }

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
    EXPECT_TRUE(control.Saw(WM_SETTEXT));
    EXPECT_EQ("hello", TextOf(label.get()));
    EXPECT_TRUE(control.Saw(WM_GETTEXT));
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
        EXPECT_EQ(nullptr, control.Handle());
        EXPECT_EQ(1, control.afterLastCalls);
        EXPECT_EQ(subclassedLater ? AsWindowLong(&OuterProc) : original, control.procAtAfterLast);
        EXPECT_TRUE(control.Saw(WM_NCDESTROY));
    }
}

}  // namespace
