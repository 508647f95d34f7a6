#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>

#include <cstdint>
#include <vector>

#include "about/hyper_link.h"
#include "hyper_link_test_resources.h"
#include "hyper_link_test_support.h"
#include "test_support.h"

namespace {

// Records the messages that get through to a window's procedure, installed
// under the link (before Attach) to see what reaches the static, or on the
// tooltip to see what is relayed to it.
struct Spy {
    static std::vector<MSG> seen;
    static WNDPROC next;

    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        MSG record{window, message, wParam, lParam, 0, POINT{0, 0}};
        if (message == TTM_RELAYEVENT) record = *reinterpret_cast<const MSG*>(lParam);
        record.time = message;  // the message the spied window itself got
        seen.push_back(record);
        return CallWindowProcA(next, window, message, wParam, lParam);
    }
    static void Install(HWND window) {
        seen.clear();
        next = reinterpret_cast<WNDPROC>(static_cast<std::uintptr_t>(SetWindowLongA(
            window, GWL_WNDPROC, static_cast<LONG>(reinterpret_cast<std::uintptr_t>(&Proc)))));
    }
    static int Count(UINT message) {
        int count = 0;
        for (const MSG& m : seen) count += m.time == message;
        return count;
    }
};
std::vector<MSG> Spy::seen;
WNDPROC Spy::next = nullptr;

class HyperLinkInputTest : public HyperLinkTest {
  protected:
    void Click(LPARAM down, LPARAM up) {
        SendMessageA(link.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, down);
        SendMessageA(link.Handle(), WM_LBUTTONUP, 0, up);
    }
    // A link in COMMAND mode without a target, so that every activation
    // shows up at the parent.
    void AttachCommandLink(DWORD style = LINKSTYLE_COMMAND) {
        ASSERT_TRUE(link.Attach(Static(IDC_LINK_EMPTY)));
        link.SetLinkStyle(style);
        ASSERT_TRUE(link.SetLabelText("command link"));
        ASSERT_EQ(nullptr, link.Target());
        ASSERT_FALSE(IsRectEmpty(&link.LinkRect()));
    }
};

TEST_F(HyperLinkInputTest, HandCursorOnlyOverTheLinkPart) {
    ASSERT_TRUE(link.Attach(Static(IDC_LINK_LEFT)));
    const HCURSOR arrow = LoadCursor(nullptr, IDC_ARROW);
    SetCursor(arrow);
    SendMessageA(link.Handle(), WM_MOUSEMOVE, 0, OutsideLink(link));
    EXPECT_EQ(arrow, GetCursor());
    EXPECT_EQ(0, SendMessageA(link.Handle(), WM_MOUSEMOVE, 0, InsideLink(link)));
    EXPECT_EQ(link.HandCursor(), GetCursor());
}

TEST_F(HyperLinkInputTest, ALinkWithNothingToOpenKeepsTheArrow) {
    ASSERT_TRUE(link.Attach(Static(IDC_LINK_EMPTY)));
    ASSERT_TRUE(link.SetLabelText("label only"));
    const HCURSOR arrow = LoadCursor(nullptr, IDC_ARROW);
    SetCursor(arrow);
    SendMessageA(link.Handle(), WM_MOUSEMOVE, 0, InsideLink(link));
    EXPECT_EQ(arrow, GetCursor());
}

TEST_F(HyperLinkInputTest, SetCursorKeepsTheHandOnlyOverTheLinkPart) {
    ASSERT_TRUE(link.Attach(Static(IDC_LINK_LEFT)));
    const auto moveTo = [&](LPARAM where) {
        POINT point{static_cast<short>(LOWORD(where)), static_cast<short>(HIWORD(where))};
        ClientToScreen(link.Handle(), &point);
        SetCursorPos(point.x, point.y);
        return WaitUntil(
            [&] {
                POINT now;
                GetCursorPos(&now);
                return now.x == point.x && now.y == point.y;
            },
            3000);
    };
    const LPARAM query = MAKELPARAM(HTCLIENT, WM_MOUSEMOVE);
    if (!moveTo(InsideLink(link))) GTEST_SKIP() << "the pointer cannot be moved here";
    SetCursor(link.HandCursor());
    EXPECT_EQ(1, SendMessageA(link.Handle(), WM_SETCURSOR, reinterpret_cast<WPARAM>(link.Handle()),
                              query));
    EXPECT_EQ(link.HandCursor(), GetCursor());

    ASSERT_TRUE(moveTo(OutsideLink(link)));
    SetCursor(link.HandCursor());
    SendMessageA(link.Handle(), WM_SETCURSOR, reinterpret_cast<WPARAM>(link.Handle()), query);
    EXPECT_NE(link.HandCursor(), GetCursor());  // the static set its class cursor
}

TEST_F(HyperLinkInputTest, AClickOnTheLinkPartTellsTheParent) {
    AttachCommandLink();
    Click(InsideLink(link), InsideLink(link));
    ASSERT_EQ(1u, dialog->commands.size());
    EXPECT_EQ(IDC_LINK_EMPTY, dialog->commands[0].id);
    EXPECT_EQ(BN_CLICKED, dialog->commands[0].code);
    EXPECT_EQ(link.Handle(), dialog->commands[0].control);
    EXPECT_TRUE(dialog->notifies.empty());
    EXPECT_FALSE(link.IsVisited());
    EXPECT_EQ(nullptr, GetCapture());
    EXPECT_EQ(link.Handle(), GetFocus());
}

TEST_F(HyperLinkInputTest, PressAndReleaseMustBothBeOnTheLinkPart) {
    AttachCommandLink();
    SendMessageA(link.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, InsideLink(link));
    EXPECT_EQ(link.Handle(), GetCapture());
    SendMessageA(link.Handle(), WM_LBUTTONUP, 0, OutsideLink(link));
    EXPECT_EQ(nullptr, GetCapture());
    EXPECT_TRUE(dialog->commands.empty());

    SendMessageA(link.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, OutsideLink(link));
    EXPECT_EQ(nullptr, GetCapture());
    SendMessageA(link.Handle(), WM_LBUTTONUP, 0, InsideLink(link));
    EXPECT_TRUE(dialog->commands.empty());

    // A release alone, without a press, does nothing either.
    SendMessageA(link.Handle(), WM_LBUTTONUP, 0, InsideLink(link));
    EXPECT_TRUE(dialog->commands.empty());
    Click(InsideLink(link), InsideLink(link));
    EXPECT_EQ(1u, dialog->commands.size());
}

TEST_F(HyperLinkInputTest, NotifyModeSendsNmClick) {
    AttachCommandLink(LINKSTYLE_NOTIFY);
    Click(InsideLink(link), InsideLink(link));
    EXPECT_TRUE(dialog->commands.empty());
    ASSERT_EQ(1u, dialog->notifies.size());
    const SeenNotify& seen = dialog->notifies[0];
    EXPECT_EQ(static_cast<WPARAM>(IDC_LINK_EMPTY), seen.wParam);
    EXPECT_EQ(link.Handle(), seen.header.hwndFrom);
    EXPECT_EQ(static_cast<UINT_PTR>(IDC_LINK_EMPTY), seen.header.idFrom);
    EXPECT_EQ(static_cast<UINT>(NM_CLICK), seen.header.code);
    EXPECT_FALSE(link.IsVisited());
}

TEST_F(HyperLinkInputTest, TheNotifyBitAloneIsNoMode) {
    AttachCommandLink(0x08);
    EXPECT_FALSE(link.OpenTarget());  // nothing to open, nobody to tell
    EXPECT_TRUE(dialog->commands.empty());
    EXPECT_TRUE(dialog->notifies.empty());
}

TEST_F(HyperLinkInputTest, EnterAndSpaceActivateOtherCharactersStop) {
    const HWND window = Static(IDC_LINK_EMPTY);
    Spy::Install(window);  // becomes the procedure the link passes on to
    AttachCommandLink();
    Spy::seen.clear();

    for (WPARAM character : {WPARAM{'a'}, WPARAM{'\t'}, WPARAM{27}, WPARAM{'0'}}) {
        EXPECT_EQ(0, SendMessageA(window, WM_CHAR, character, 1));
    }
    EXPECT_TRUE(dialog->commands.empty());
    EXPECT_EQ(0, SendMessageA(window, WM_CHAR, 13, 1));
    EXPECT_EQ(1u, dialog->commands.size());
    EXPECT_EQ(0, SendMessageA(window, WM_CHAR, 32, 1));
    EXPECT_EQ(2u, dialog->commands.size());
    EXPECT_EQ(0, Spy::Count(WM_CHAR));

    // Kept from the static as well; anything unknown goes on to it.
    SendMessageA(window, WM_UPDATEUISTATE, MAKEWPARAM(UIS_SET, UISF_HIDEFOCUS), 0);
    EXPECT_EQ(0, Spy::Count(WM_UPDATEUISTATE));
    SendMessageA(window, WM_APP, 0, 0);
    EXPECT_EQ(1, Spy::Count(WM_APP));
}

TEST_F(HyperLinkInputTest, MouseMessagesAreRelayedToTheTooltip) {
    ASSERT_TRUE(link.Attach(Static(IDC_LINK_LEFT)));
    Spy::Install(link.Tooltip());
    SendMessageA(link.Handle(), WM_MOUSEMOVE, MK_SHIFT, InsideLink(link));
    ASSERT_EQ(1, Spy::Count(TTM_RELAYEVENT));
    const MSG* relayed = nullptr;
    for (const MSG& m : Spy::seen) {
        if (m.time == TTM_RELAYEVENT) relayed = &m;
    }
    EXPECT_EQ(link.Handle(), relayed->hwnd);
    EXPECT_EQ(static_cast<UINT>(WM_MOUSEMOVE), relayed->message);
    EXPECT_EQ(static_cast<WPARAM>(MK_SHIFT), relayed->wParam);
    EXPECT_EQ(InsideLink(link), relayed->lParam);

    SendMessageA(link.Handle(), WM_RBUTTONDOWN, 0, InsideLink(link));
    EXPECT_EQ(2, Spy::Count(TTM_RELAYEVENT));
    SendMessageA(link.Handle(), WM_MOUSEWHEEL, 0, 0);  // past the relayed range
    SendMessageA(link.Handle(), WM_CHAR, 'a', 0);
    EXPECT_EQ(2, Spy::Count(TTM_RELAYEVENT));

    link.SetLinkStyle(LINKSTYLE_NO_TOOLTIP);
    SendMessageA(link.Handle(), WM_MOUSEMOVE, 0, InsideLink(link));
    EXPECT_EQ(2, Spy::Count(TTM_RELAYEVENT));
    SetWindowLongA(link.Tooltip(), GWL_WNDPROC,
                   static_cast<LONG>(reinterpret_cast<std::uintptr_t>(Spy::next)));
}

TEST_F(HyperLinkInputTest, PictureStaticLeavesPaintingAndFocusToTheStatic) {
    const HWND window = Static(IDC_LINK_ICON);
    Spy::Install(window);
    ASSERT_TRUE(link.Attach(window));
    ASSERT_FALSE(link.PaintsLabel());
    Spy::seen.clear();
    Picture::Print(window);
    InvalidateRect(window, nullptr, TRUE);
    UpdateWindow(window);
    SendMessageA(window, WM_SETFOCUS, 0, 0);
    EXPECT_EQ(1, Spy::Count(WM_PRINTCLIENT));
    EXPECT_GE(Spy::Count(WM_PAINT), 1);
    EXPECT_EQ(1, Spy::Count(WM_SETFOCUS));
    EXPECT_EQ(0, Spy::Count(WM_ERASEBKGND));  // still answered by the link
}

}  // namespace
