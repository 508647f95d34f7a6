#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "test_support.h"
#include "test_windows.h"

namespace {

LONG AsLong(const void* p) { return static_cast<LONG>(reinterpret_cast<std::uintptr_t>(p)); }
LONG AsLong(WNDPROC p) { return static_cast<LONG>(reinterpret_cast<std::uintptr_t>(p)); }

std::string TextOf(HWND window) {
    char text[64] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

class ControlWindowTest : public ::testing::Test {
  protected:
    void SetUp() override { SKIP_WITHOUT_DISPLAY(); }

    ScratchWindow parent{WS_POPUP};
};

TEST_F(ControlWindowTest, HandlesWhatItHandlesAndPassesOnTheRest) {
    ScratchWindow label(WS_CHILD | WS_VISIBLE, parent.get(), RECT{0, 0, 80, 20});
    const LONG original = GetWindowLongA(label.get(), GWL_WNDPROC);
    TestControl control;
    control.handler = [](UINT message, WPARAM, LPARAM, LRESULT& result) {
        if (message != WM_APP) return false;
        result = 1234;
        return true;
    };
    ASSERT_TRUE(control.BindControl(label.get()));
    EXPECT_EQ(label.get(), control.Handle());
    EXPECT_EQ(original, AsLong(control.PreviousProc()));
    EXPECT_EQ(AsLong(control.ThunkCode()), GetWindowLongA(label.get(), GWL_WNDPROC));

    EXPECT_EQ(1234, SendMessageA(label.get(), WM_APP, 0, 0));
    SetWindowTextA(label.get(), "hello");
    EXPECT_EQ("hello", TextOf(label.get()));
    ASSERT_TRUE(control.Saw(WM_SETTEXT));
    for (const SeenMessage& s : control.seen) EXPECT_EQ(label.get(), s.handle);
}

TEST_F(ControlWindowTest, AnExceptionLeavesTheMessageToThePreviousProcedure) {
    ScratchWindow label(WS_CHILD, parent.get());
    SetWindowTextA(label.get(), "kept");
    TestControl control;
    control.handler = [](UINT message, WPARAM, LPARAM, LRESULT&) -> bool {
        if (message == WM_GETTEXT) throw std::runtime_error("no text for you");
        return false;
    };
    ASSERT_TRUE(control.BindControl(label.get()));
    EXPECT_EQ("kept", TextOf(label.get()));
    EXPECT_TRUE(control.Saw(WM_GETTEXT));
}

TEST_F(ControlWindowTest, BindingAWindowThatIsGoneFails) {
    HWND gone = nullptr;
    {
        ScratchWindow label(WS_CHILD, parent.get());
        gone = label.get();
    }
    TestControl control;
    EXPECT_FALSE(control.BindControl(gone));
    EXPECT_EQ(nullptr, control.Handle());
    EXPECT_EQ(AsLong(&DefWindowProcA), AsLong(control.PreviousProc()));
}

// Subclasses a window after the object did, and forwards everything.
WNDPROC g_outerNext = nullptr;

LRESULT CALLBACK OuterProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return CallWindowProcA(g_outerNext, window, message, wParam, lParam);
}

TEST_F(ControlWindowTest, LastMessagePutsThePreviousProcedureBackIfStillOurs) {
    ScratchWindow label(WS_CHILD, parent.get());
    const LONG original = GetWindowLongA(label.get(), GWL_WNDPROC);
    TestControl control;
    ASSERT_TRUE(control.BindControl(label.get()));

    DestroyWindow(label.get());
    EXPECT_EQ(nullptr, control.Handle());
    EXPECT_EQ(1, control.afterLastCalls);
    EXPECT_EQ(label.get(), control.afterLastHandle);
    EXPECT_EQ(nullptr, control.handleAtAfterLast);
    EXPECT_EQ(original, control.procAtAfterLast);
    EXPECT_TRUE(control.Saw(WM_NCDESTROY));
}

TEST_F(ControlWindowTest, LastMessageLeavesALaterSubclassInPlace) {
    ScratchWindow label(WS_CHILD, parent.get());
    TestControl control;
    ASSERT_TRUE(control.BindControl(label.get()));
    g_outerNext = reinterpret_cast<WNDPROC>(
        static_cast<std::uintptr_t>(SetWindowLongA(label.get(), GWL_WNDPROC, AsLong(&OuterProc))));
    ASSERT_EQ(AsLong(control.ThunkCode()), AsLong(g_outerNext));

    DestroyWindow(label.get());
    g_outerNext = nullptr;
    EXPECT_EQ(nullptr, control.Handle());
    EXPECT_EQ(1, control.afterLastCalls);
    EXPECT_EQ(AsLong(&OuterProc), control.procAtAfterLast);
}

TEST_F(ControlWindowTest, DefaultProcedureIsNeverPutBack) {
    // A class whose procedure is DefWindowProcA itself: binding replaces it,
    // and the last message leaves the thunk in place.
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "ZentrailDefaultWindow";
    RegisterClassA(&windowClass);
    ScratchWindow plain(WS_CHILD, parent.get(), RECT{0, 0, 10, 10}, windowClass.lpszClassName);
    TestControl control;
    ASSERT_TRUE(control.BindControl(plain.get()));
    EXPECT_EQ(AsLong(&DefWindowProcA), AsLong(control.PreviousProc()));

    DestroyWindow(plain.get());
    EXPECT_EQ(AsLong(control.ThunkCode()), control.procAtAfterLast);
    EXPECT_EQ(1, control.afterLastCalls);
    UnregisterClassA(windowClass.lpszClassName, windowClass.hInstance);
}

}  // namespace
