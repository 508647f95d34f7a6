#include <gtest/gtest.h>

#include "about/hyper_link.h"
#include "hyper_link_test_resources.h"
#include "hyper_link_test_support.h"
#include "test_support.h"

namespace {

using HyperLinkPaintTest = HyperLinkTest;

RECT ClientOf(HWND window) {
    RECT client;
    GetClientRect(window, &client);
    return client;
}

TEST_F(HyperLinkPaintTest, UntaggedTextIsDrawnInTheLinkColourOverLinkRect) {
    ASSERT_TRUE(link.Attach(Static(IDC_LINK_CENTER)));
    const Picture picture = Picture::Print(link.Handle());
    ASSERT_GT(picture.Width(), 0);
    const RECT& r = link.LinkRect();
    EXPECT_GT(picture.Count(RGB(0, 0, 255), r), 0);
    EXPECT_EQ(0, picture.CountOutside(RGB(0, 0, 255), r));
    // The parent's brush filled all of the client area first.
    EXPECT_EQ(0, picture.Count(RGB(255, 0, 255)));
    EXPECT_EQ(kBackground, picture.At(0, 0));
    EXPECT_EQ(kBackground, picture.At(picture.Width() - 1, picture.Height() - 1));
    EXPECT_EQ(0, picture.Count(kPlainColor));
    // Underlined: one row of the link part is nearly all link colour.
    EXPECT_GE(picture.WidestRun(RGB(0, 0, 255), r), (r.right - r.left) * 9 / 10);
}

TEST_F(HyperLinkPaintTest, WmPaintWithADcDrawsWhatWmPrintClientDraws) {
    ASSERT_TRUE(link.Attach(Static(IDC_LINK_LEFT)));
    const Picture printed = Picture::Print(link.Handle());
    LRESULT result = -1;
    const Picture painted = Picture::Draw(link.Handle(), RGB(255, 0, 255), WM_PAINT, 0, &result);
    EXPECT_EQ(0, result);
    ASSERT_EQ(printed.Width(), painted.Width());
    ASSERT_EQ(printed.Height(), painted.Height());
    int differing = 0;
    for (int y = 0; y < printed.Height(); ++y) {
        for (int x = 0; x < printed.Width(); ++x) differing += printed.At(x, y) != painted.At(x, y);
    }
    EXPECT_EQ(0, differing);
    EXPECT_GT(painted.Count(RGB(0, 0, 255)), 0);
}

TEST_F(HyperLinkPaintTest, EraseBackgroundErasesNothing) {
    ASSERT_TRUE(link.Attach(Static(IDC_LINK_LEFT)));
    LRESULT result = 0;
    const Picture picture =
        Picture::Draw(link.Handle(), RGB(255, 0, 255), WM_ERASEBKGND, 0, &result);
    EXPECT_EQ(1, result);
    EXPECT_EQ(0, picture.CountOther(RGB(255, 0, 255)));
}

TEST_F(HyperLinkPaintTest, TaggedLabelDrawsPlainPartsInTheParentsColour) {
    ASSERT_TRUE(link.Attach(Static(IDC_LINK_TAGGED)));
    link.SetLinkStyle(LINKSTYLE_TAGS);
    ASSERT_TRUE(link.SetLabelText("plain : <a>the link</a> tail"));
    const Picture picture = Picture::Print(link.Handle());
    const RECT& r = link.LinkRect();
    ASSERT_GT(r.left, 0);
    const RECT client = ClientOf(link.Handle());

    EXPECT_GT(picture.Count(RGB(0, 0, 255), r), 0);
    EXPECT_EQ(0, picture.CountOutside(RGB(0, 0, 255), r));
    EXPECT_EQ(0, picture.Count(kPlainColor, r));
    // The plain part left of the link part, the tail right of it.
    EXPECT_GT(picture.Count(kPlainColor, RECT{0, 0, r.left, client.bottom}), 0);
    EXPECT_GT(picture.Count(kPlainColor, RECT{r.right, 0, client.right, client.bottom}), 0);
}

TEST_F(HyperLinkPaintTest, TaggedLabelWithoutLinkDrawsOnlyTheBackground) {
    ASSERT_TRUE(link.Attach(Static(IDC_LINK_TAGGED)));
    link.SetLinkStyle(LINKSTYLE_TAGS);
    ASSERT_TRUE(link.SetLabelText("no link here"));
    const Picture picture = Picture::Print(link.Handle());
    EXPECT_EQ(0, picture.CountOther(kBackground));
}

TEST_F(HyperLinkPaintTest, DisabledLinkIsGrey) {
    ASSERT_TRUE(link.Attach(Static(IDC_LINK_LEFT)));
    const COLORREF grey = GetSysColor(COLOR_GRAYTEXT);
    ASSERT_NE(grey, kBackground);
    EnableWindow(link.Handle(), FALSE);
    const Picture picture = Picture::Print(link.Handle());
    const RECT& r = link.LinkRect();
    EXPECT_GT(picture.Count(grey, r), 0);
    EXPECT_EQ(0, picture.Count(RGB(0, 0, 255)));

    EnableWindow(link.Handle(), TRUE);
    const Picture enabled = Picture::Print(link.Handle());
    EXPECT_GT(enabled.Count(RGB(0, 0, 255), r), 0);
    if (grey != RGB(0, 0, 255)) {
        EXPECT_EQ(0, enabled.Count(grey));
    }
}

TEST_F(HyperLinkPaintTest, RegistryColourIsTheColourPainted) {
    colors.SetText(kAnchorColor, "0,128,0");
    ASSERT_TRUE(link.Attach(Static(IDC_LINK_LEFT)));
    const Picture picture = Picture::Print(link.Handle());
    EXPECT_GT(picture.Count(RGB(0, 128, 0), link.LinkRect()), 0);
    EXPECT_EQ(0, picture.Count(RGB(0, 0, 255)));
}

TEST_F(HyperLinkPaintTest, FocusedLinkGetsAFocusRectangle) {
    ASSERT_TRUE(link.Attach(Static(IDC_LINK_LEFT)));
    SetFocus(GetDlgItem(dialog->get(), IDOK));
    const Picture unfocused = Picture::Print(link.Handle());
    SetFocus(link.Handle());
    ASSERT_TRUE(WaitUntil([&] { return GetFocus() == link.Handle(); }, 5000));
    const Picture focused = Picture::Print(link.Handle());

    // The rectangle is dotted along linkRect's edges; the inside is unchanged.
    const RECT& r = link.LinkRect();
    int onEdge = 0;
    for (int x = r.left; x < r.right; ++x) onEdge += focused.At(x, r.top) != unfocused.At(x, r.top);
    EXPECT_GT(onEdge, 0);
    const int cx = (r.left + r.right) / 2;
    const int cy = (r.top + r.bottom) / 2;
    EXPECT_EQ(unfocused.At(cx, cy), focused.At(cx, cy));
    // Nothing changes outside the link part.
    const RECT client = ClientOf(link.Handle());
    for (int x = r.right + 1; x < client.right; ++x) {
        ASSERT_EQ(unfocused.At(x, 0), focused.At(x, 0)) << x;
    }
}

TEST_F(HyperLinkPaintTest, HoverModeUnderlinesOnlyWhileThePointerIsOnTheLink) {
    link.SetLinkStyle(LINKSTYLE_UNDERLINE_ON_HOVER);
    ASSERT_TRUE(link.Attach(Static(IDC_LINK_LEFT)));
    const RECT& r = link.LinkRect();
    const int full = (r.right - r.left) * 9 / 10;
    const auto underlined = [&] {
        return Picture::Print(link.Handle()).WidestRun(RGB(0, 0, 255), r) >= full;
    };
    EXPECT_FALSE(underlined());
    SendMessageA(link.Handle(), WM_MOUSEMOVE, 0, InsideLink(link));
    EXPECT_TRUE(underlined());
    SendMessageA(link.Handle(), WM_MOUSEMOVE, 0, OutsideLink(link));
    EXPECT_FALSE(underlined());
    SendMessageA(link.Handle(), WM_MOUSEMOVE, 0, InsideLink(link));
    EXPECT_TRUE(underlined());
    EXPECT_EQ(0, SendMessageA(link.Handle(), WM_MOUSELEAVE, 0, 0));
    EXPECT_FALSE(underlined());
}

}  // namespace
