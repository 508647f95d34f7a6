#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>

#include <cstdint>
#include <string>

#include "about/hyper_link.h"
#include "hyper_link_test_resources.h"
#include "hyper_link_test_support.h"

namespace {

std::string WindowText(HWND window) {
    char text[256] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

SIZE TextSize(HWND window, HFONT font, const char* text) {
    const HDC dc = GetDC(window);
    const HGDIOBJ old = SelectObject(dc, font);
    SIZE size{};
    GetTextExtentPoint32A(dc, text, lstrlenA(text), &size);
    SelectObject(dc, old);
    ReleaseDC(window, dc);
    return size;
}

LOGFONTA FontOf(HFONT font) {
    LOGFONTA description{};
    GetObjectA(font, sizeof description, &description);
    return description;
}

using HyperLinkSetupTest = HyperLinkTest;

TEST_F(HyperLinkSetupTest, AdoptsTheStaticsTextAsLabelAndTarget) {
    const HWND window = Static(IDC_LINK_LEFT);
    ASSERT_EQ(0, GetWindowLongA(window, GWL_STYLE) & SS_NOTIFY);
    ASSERT_TRUE(link.Attach(window));

    EXPECT_EQ(window, link.Handle());
    EXPECT_NE(0, GetWindowLongA(window, GWL_STYLE) & SS_NOTIFY);
    EXPECT_STREQ("Left link", link.Label());
    EXPECT_STREQ("Left link", link.Target());
    EXPECT_NE(link.Label(), link.Target());  // a copy of its own
    EXPECT_TRUE(link.PaintsLabel());
    EXPECT_EQ(1, ToolCount(link));
    EXPECT_NE(nullptr, link.HandCursor());

    // The plain font is the dialog's; the link font is that, underlined.
    const auto dialogFont = reinterpret_cast<HFONT>(SendMessageA(dialog->get(), WM_GETFONT, 0, 0));
    ASSERT_NE(nullptr, dialogFont);
    EXPECT_EQ(dialogFont, link.NormalFont());
    ASSERT_NE(nullptr, link.LinkFont());
    EXPECT_STREQ(FontOf(dialogFont).lfFaceName, FontOf(link.LinkFont()).lfFaceName);
    EXPECT_TRUE(FontOf(link.LinkFont()).lfUnderline);

    // Left aligned: the link part is the text's own size at the top left.
    const SIZE size = TextSize(window, link.LinkFont(), "Left link");
    const RECT& r = link.LinkRect();
    EXPECT_EQ(0, r.left);
    EXPECT_EQ(0, r.top);
    EXPECT_EQ(size.cx, r.right - r.left);
    EXPECT_EQ(size.cy, r.bottom - r.top);
}

TEST_F(HyperLinkSetupTest, AStaticWithoutTextGivesNoLabelTargetOrTool) {
    ASSERT_TRUE(link.Attach(Static(IDC_LINK_EMPTY)));
    EXPECT_EQ(nullptr, link.Label());
    EXPECT_EQ(nullptr, link.Target());
    EXPECT_EQ(0, ToolCount(link));
    EXPECT_TRUE(IsRectEmpty(&link.LinkRect()));
    EXPECT_FALSE(link.MeasureLink());  // nothing to measure
}

TEST_F(HyperLinkSetupTest, CommandModeRegistersAToolEvenWithoutTarget) {
    link.SetLinkStyle(LINKSTYLE_COMMAND);
    ASSERT_TRUE(link.Attach(Static(IDC_LINK_EMPTY)));
    EXPECT_EQ(nullptr, link.Target());
    EXPECT_EQ(1, ToolCount(link));
}

TEST_F(HyperLinkSetupTest, UntaggedLinkFollowsTheStaticsAlignment) {
    RECT client;
    ASSERT_TRUE(link.Attach(Static(IDC_LINK_CENTER)));
    GetClientRect(link.Handle(), &client);
    const SIZE centre = TextSize(link.Handle(), link.LinkFont(), "Centre link");
    const RECT& c = link.LinkRect();
    EXPECT_EQ(centre.cx, c.right - c.left);
    EXPECT_LE(std::abs((c.left - client.left) - (client.right - c.right)), 1)
        << c.left << ".." << c.right << " in " << client.right;
    EXPECT_GT(c.left, 0);

    ASSERT_TRUE(other.Attach(Static(IDC_LINK_RIGHT)));
    GetClientRect(other.Handle(), &client);
    const SIZE right = TextSize(other.Handle(), other.LinkFont(), "Right link");
    EXPECT_EQ(client.right, other.LinkRect().right);
    EXPECT_EQ(client.right - right.cx, other.LinkRect().left);
}

TEST_F(HyperLinkSetupTest, TaggedLinkPartStartsWhereThePlainPartEnds) {
    ASSERT_TRUE(link.Attach(Static(IDC_LINK_TAGGED)));
    EXPECT_STREQ("Static", link.Label());
    link.SetLinkStyle(LINKSTYLE_TAGS);
    ASSERT_TRUE(link.SetLabelText("weblog : <a>example.org</a> and more"));
    EXPECT_EQ("weblog : <a>example.org</a> and more", WindowText(link.Handle()));

    const SIZE plain = TextSize(link.Handle(), link.NormalFont(), "weblog : ");
    const SIZE part = TextSize(link.Handle(), link.LinkFont(), "example.org");
    const RECT& r = link.LinkRect();
    EXPECT_EQ(plain.cx, r.left);
    EXPECT_EQ(part.cx, r.right - r.left);
    EXPECT_EQ(0, r.top);
    // The label does not change the target adopted at attach time.
    EXPECT_STREQ("Static", link.Target());
}

TEST_F(HyperLinkSetupTest, TaggedLabelWithoutLinkTextHasNothingToClick) {
    ASSERT_TRUE(link.Attach(Static(IDC_LINK_TAGGED)));
    link.SetLinkStyle(LINKSTYLE_TAGS);
    for (const char* text : {"no tags at all", "empty <a></a> link", "open <a>but never closed"}) {
        ASSERT_TRUE(link.SetLabelText(text));
        EXPECT_TRUE(IsRectEmpty(&link.LinkRect())) << text;
    }
}

TEST_F(HyperLinkSetupTest, TargetIsMeasuredWhenThereIsNoLabel) {
    ASSERT_TRUE(link.Attach(Static(IDC_LINK_EMPTY)));
    ASSERT_TRUE(link.SetTarget("the target"));
    EXPECT_EQ(nullptr, link.Label());
    const SIZE size = TextSize(link.Handle(), link.LinkFont(), "the target");
    EXPECT_EQ(size.cx, link.LinkRect().right - link.LinkRect().left);
}

TEST_F(HyperLinkSetupTest, EachTargetAddsATool) {
    ASSERT_TRUE(link.Attach(Static(IDC_LINK_TAGGED)));
    ASSERT_EQ(1, ToolCount(link));
    ASSERT_TRUE(link.SetLabelText("label"));
    EXPECT_EQ(1, ToolCount(link));  // a label leaves the tooltip alone
    ASSERT_TRUE(link.SetTarget("http://example.org/one"));
    EXPECT_EQ(2, ToolCount(link));
    ASSERT_TRUE(link.SetTarget("http://example.org/two"));
    EXPECT_EQ(3, ToolCount(link));
    EXPECT_STREQ("http://example.org/two", link.Target());

    // Every tool is the control's, with id 1.
    TOOLINFOA tool{};
    tool.cbSize = TTTOOLINFOA_V2_SIZE;
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(
            SendMessageA(link.Tooltip(), TTM_ENUMTOOLSA, i, reinterpret_cast<LPARAM>(&tool)));
        EXPECT_EQ(link.Handle(), tool.hwnd);
        EXPECT_EQ(1u, tool.uId);
    }
}

// The low style byte decides whether a static shows text or paints itself.
TEST_F(HyperLinkSetupTest, PictureStaticsPaintThemselvesAndAreAllLink) {
    colors.SetText(kAnchorColor, "0,128,0");
    struct Kind {
        DWORD style;
        bool paintsLabel;
    };
    const Kind kinds[] = {
        {SS_LEFT, true},
        {SS_CENTER, true},
        {SS_RIGHT, true},
        {SS_ICON, false},
        {SS_BLACKRECT, false},
        {SS_GRAYRECT, false},
        {SS_WHITERECT, false},
        {SS_BLACKFRAME, false},
        {SS_GRAYFRAME, false},
        {SS_WHITEFRAME, false},
        {SS_SIMPLE, true},
        {SS_LEFTNOWORDWRAP, true},
        {SS_OWNERDRAW, false},
        {SS_BITMAP, false},
        {SS_ENHMETAFILE, false},
        {SS_ETCHEDHORZ, true},
        {SS_LEFT | SS_NOPREFIX, true},
    };
    for (const Kind& kind : kinds) {
        HyperLink picture;
        const HWND window = MakeStatic(kind.style, "text");
        ASSERT_TRUE(picture.Attach(window));
        EXPECT_EQ(kind.paintsLabel, picture.PaintsLabel()) << std::hex << kind.style;
        if (kind.paintsLabel) {
            EXPECT_EQ(RGB(0, 128, 0), picture.LinkColor()) << std::hex << kind.style;
        } else {
            RECT client;
            GetClientRect(window, &client);
            EXPECT_TRUE(EqualRect(&client, &picture.LinkRect())) << std::hex << kind.style;
            EXPECT_EQ(nullptr, picture.LinkFont());
            EXPECT_EQ(RGB(0, 0, 255), picture.LinkColor());  // colours not read
            EXPECT_NE(nullptr, picture.HandCursor());
        }
        DestroyWindow(window);
    }
}

TEST_F(HyperLinkSetupTest, LeftAlignedKindsAreNotMovedRight) {
    for (DWORD style : {SS_SIMPLE, SS_LEFTNOWORDWRAP}) {
        HyperLink plain;
        const HWND window = MakeStatic(style, "text");
        ASSERT_TRUE(plain.Attach(window));
        EXPECT_EQ(0, plain.LinkRect().left) << style;
        DestroyWindow(window);
    }
}

TEST_F(HyperLinkSetupTest, FontOptionsShapeTheLinkFont) {
    struct FontCase {
        DWORD options;
        bool underline;
        LONG weight;  // 0: as the dialog's font
    };
    const FontCase cases[] = {
        {0, true, 0},
        {LINKSTYLE_NO_UNDERLINE, false, 0},
        {LINKSTYLE_TAGS_BOLD, false, FW_BOLD},
        {LINKSTYLE_TAGS_BOLD | LINKSTYLE_NO_UNDERLINE, false, FW_BOLD},
        {0x20, true, 0},  // the bold bit alone does nothing
        {LINKSTYLE_TAGS, true, 0},
    };
    const LONG dialogWeight =
        FontOf(reinterpret_cast<HFONT>(SendMessageA(dialog->get(), WM_GETFONT, 0, 0))).lfWeight;
    for (const FontCase& c : cases) {
        HyperLink styled;
        styled.SetLinkStyle(c.options);
        const HWND window = MakeStatic(SS_LEFT, "text");
        ASSERT_TRUE(styled.Attach(window));
        ASSERT_NE(nullptr, styled.LinkFont());
        const LOGFONTA font = FontOf(styled.LinkFont());
        EXPECT_EQ(c.underline, font.lfUnderline != 0) << c.options;
        EXPECT_EQ(c.weight != 0 ? c.weight : dialogWeight, font.lfWeight) << c.options;
        DestroyWindow(window);
    }
}

TEST(HyperLinkStyle, MaskReplacesOnlyItsBits) {
    HyperLink link;
    EXPECT_EQ(0u, link.SetLinkStyle(LINKSTYLE_TAGS));
    EXPECT_EQ(LINKSTYLE_TAGS, link.LinkStyle());
    // Mask 0 replaces everything.
    EXPECT_EQ(LINKSTYLE_TAGS, link.SetLinkStyle(LINKSTYLE_NO_TOOLTIP, 0));
    EXPECT_EQ(LINKSTYLE_NO_TOOLTIP, link.LinkStyle());
    // Bits outside the mask stay, bits of options outside the mask are dropped.
    EXPECT_EQ(LINKSTYLE_NO_TOOLTIP,
              link.SetLinkStyle(LINKSTYLE_COMMAND | LINKSTYLE_TAGS, LINKSTYLE_COMMAND));
    EXPECT_EQ(LINKSTYLE_NO_TOOLTIP | LINKSTYLE_COMMAND, link.LinkStyle());
    // A masked bit absent from options is cleared.
    link.SetLinkStyle(0, LINKSTYLE_NO_TOOLTIP);
    EXPECT_EQ(LINKSTYLE_COMMAND, link.LinkStyle());
}

TEST(HyperLinkWithoutWindow, OnlyStoresItsTexts) {
    HyperLink link;
    EXPECT_EQ(nullptr, link.Handle());
    EXPECT_TRUE(link.SetLabelText("label"));
    EXPECT_TRUE(link.SetTarget("target"));
    EXPECT_STREQ("label", link.Label());
    EXPECT_STREQ("target", link.Target());
    EXPECT_TRUE(IsRectEmpty(&link.LinkRect()));
    EXPECT_FALSE(link.MeasureLink());
    EXPECT_EQ(nullptr, link.Tooltip());
    EXPECT_EQ(RGB(0, 0, 255), link.LinkColor());
    EXPECT_EQ(RGB(128, 0, 128), link.VisitedColor());
    EXPECT_FALSE(link.IsVisited());
    EXPECT_TRUE(link.SetLabelText(nullptr));
    EXPECT_EQ(nullptr, link.Label());
}

TEST_F(HyperLinkSetupTest, AttachingAWindowThatIsGoneFails) {
    const HWND window = MakeStatic(SS_LEFT, "gone");
    DestroyWindow(window);
    EXPECT_FALSE(link.Attach(window));
    EXPECT_EQ(nullptr, link.Handle());
    EXPECT_EQ(nullptr, link.Tooltip());
    EXPECT_EQ(nullptr, link.Label());
    EXPECT_TRUE(link.SetLabelText("kept"));
    EXPECT_STREQ("kept", link.Label());
}

TEST_F(HyperLinkSetupTest, TheDialogsEndTakesTheTooltipAndDetaches) {
    ASSERT_TRUE(link.Attach(Static(IDC_LINK_LEFT)));
    const HWND tooltip = link.Tooltip();
    ASSERT_TRUE(IsWindow(tooltip));
    dialog->Destroy();
    EXPECT_FALSE(IsWindow(tooltip));
    EXPECT_EQ(nullptr, link.Tooltip());
    EXPECT_EQ(nullptr, link.Handle());
}

TEST_F(HyperLinkSetupTest, ALinkEndedBeforeItsWindowGivesTheStaticBack) {
    const HWND window = Static(IDC_LINK_LEFT);
    const LONG original = GetWindowLongA(window, GWL_WNDPROC);
    HWND tooltip = nullptr;
    {
        HyperLink shortLived;
        ASSERT_TRUE(shortLived.Attach(window));
        tooltip = shortLived.Tooltip();
        EXPECT_NE(original, GetWindowLongA(window, GWL_WNDPROC));
    }
    EXPECT_EQ(original, GetWindowLongA(window, GWL_WNDPROC));
    EXPECT_FALSE(IsWindow(tooltip));
    SetWindowTextA(window, "still a static");
    EXPECT_EQ("still a static", WindowText(window));
}

TEST_F(HyperLinkSetupTest, AnswersFontAndDialogCodeQueries) {
    ASSERT_TRUE(link.Attach(Static(IDC_LINK_LEFT)));
    EXPECT_EQ(DLGC_WANTCHARS, SendMessageA(link.Handle(), WM_GETDLGCODE, 0, 0));
    EXPECT_EQ(reinterpret_cast<LRESULT>(link.NormalFont()),
              SendMessageA(link.Handle(), WM_GETFONT, 0, 0));

    // A new font serves the plain parts; the link font and linkRect stay.
    const HFONT linkFont = link.LinkFont();
    const RECT before = link.LinkRect();
    const auto stock = static_cast<HFONT>(GetStockObject(ANSI_FIXED_FONT));
    EXPECT_EQ(0, SendMessageA(link.Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(stock), TRUE));
    EXPECT_EQ(stock, link.NormalFont());
    EXPECT_EQ(reinterpret_cast<LRESULT>(stock), SendMessageA(link.Handle(), WM_GETFONT, 0, 0));
    EXPECT_EQ(linkFont, link.LinkFont());
    EXPECT_TRUE(EqualRect(&before, &link.LinkRect()));
}

// The built-in hand: 32 x 32, hot spot on the fingertip, nothing drawn
// outside the top-left 17 x 22 pixels.
TEST_F(HyperLinkSetupTest, HandCursorIsTheBuiltInHand) {
    ASSERT_TRUE(link.Attach(Static(IDC_LINK_LEFT)));
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(link.HandCursor(), &info));
    EXPECT_FALSE(info.fIcon);
    EXPECT_EQ(5u, info.xHotspot);
    EXPECT_EQ(0u, info.yHotspot);
    ASSERT_NE(nullptr, info.hbmMask);
    EXPECT_EQ(nullptr, info.hbmColor);  // monochrome: AND mask over XOR mask

    BITMAP bitmap{};
    GetObjectA(info.hbmMask, sizeof bitmap, &bitmap);
    ASSERT_EQ(32, bitmap.bmWidth);
    ASSERT_EQ(64, bitmap.bmHeight);
    std::vector<BYTE> bits(static_cast<std::size_t>(bitmap.bmWidthBytes) * 64);
    ASSERT_EQ(static_cast<LONG>(bits.size()),
              GetBitmapBits(info.hbmMask, static_cast<LONG>(bits.size()), bits.data()));
    const auto row = [&](int mask, int y) {
        const BYTE* p = &bits[static_cast<std::size_t>(bitmap.bmWidthBytes) * (mask * 32 + y)];
        return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) |
               (std::uint32_t{p[2]} << 8) | p[3];
    };
    // Rows with every kind of pixel: the fingertip, the knuckles, the wrist.
    EXPECT_EQ(0xF9FFFFFFu, row(0, 0));
    EXPECT_EQ(0x00000000u, row(1, 0));
    EXPECT_EQ(0x10007FFFu, row(0, 9));
    EXPECT_EQ(0x06DB0000u, row(1, 9));
    EXPECT_EQ(0x00007FFFu, row(0, 10));
    EXPECT_EQ(0x67FB0000u, row(1, 10));
    EXPECT_EQ(0xE000FFFFu, row(0, 16));
    EXPECT_EQ(0x0FFE0000u, row(1, 16));
    EXPECT_EQ(0xF801FFFFu, row(0, 21));
    EXPECT_EQ(0x00000000u, row(1, 21));
    for (int y = 0; y < 32; ++y) {
        // Columns 17 to 31 are transparent in every row, rows 22 on entirely.
        const std::uint32_t drawn = y < 22 ? 0xFFFF8000u : 0u;
        EXPECT_EQ(~drawn, row(0, y) & ~drawn) << "AND row " << y;
        EXPECT_EQ(0u, row(1, y) & ~drawn) << "XOR row " << y;
    }
    DeleteObject(info.hbmMask);
}

}  // namespace
