// The hyperlink control on real statics: colours, painting, input, opening.
#include <cstdlib>
#include <string>

#include "hyper_link_test_support.h"
#include "shell/window_long.h"

namespace {

TEST_F(HyperLinkTest, AttachReadsTheBrowserColoursAndPaintsTheLinkInIt) {
    const struct {
        const char* anchor;  // null: absent
        const char* visited;
        COLORREF link, visitedColor;
        bool bare = false;  // the visited value, or else the link one, without a terminator
    } cases[] = {
        {nullptr, nullptr, kBlue, kPurple},
        {"0,128,0", "255,0,0", RGB(0, 128, 0), RGB(255, 0, 0)},
        {"100,200,250", nullptr, RGB(100, 200, 250), kPurple},  // eleven characters
        // Ignored: two parts, more than 11 characters, a part of -1; a bad
        // value of one does not stop the other.
        {"255,0", "0,0,0", kBlue, RGB(0, 0, 0)},
        {"0,128,000000", "000000,0,255", kBlue, kPurple},
        {"0,255,0", "-1,0,0", RGB(0, 255, 0), kPurple},
        // The type is not looked at; 12 bytes without a terminator are read
        // up to their end and no further.
        {"100,200,0250", nullptr, RGB(100, 200, 250), kPurple, true},
        // A long first value and a short bare second one: nothing of the
        // first may show in the second.
        {"1,2,3456789", "9,8,7", RGB(1, 2, 0x15), RGB(9, 8, 7), true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(&c - cases);
        colors.Set(kAnchorColor, c.anchor, c.bare && c.visited == nullptr);
        colors.Set(kAnchorColorVisited, c.visited, c.bare);
        HyperLink row;
        ASSERT_TRUE(row.Attach(Static(IDC_LINK_LEFT)));
        EXPECT_EQ(c.link, row.LinkColor());
        EXPECT_EQ(c.visitedColor, row.VisitedColor());
        EXPECT_GT(Picture(row.Handle()).Count(c.link, row.LinkRect()), 0);
    }
}

TEST_F(HyperLinkTest, OnlyTheLinkPartIsInTheLinkColourGreyWhenDisabled) {
    ASSERT_TRUE(link.Attach(Static(IDC_LINK_CENTER)));
    const RECT r = link.LinkRect();
    Picture picture(link.Handle());
    EXPECT_GT(picture.Count(kBlue, r), 0);
    EXPECT_EQ(picture.Count(kBlue), picture.Count(kBlue, r));
    // The parent's brush filled all of the client area first.
    EXPECT_EQ(0, picture.Count(RGB(255, 0, 255)));
    EXPECT_EQ(0, picture.Count(kPlainColor));

    EnableWindow(link.Handle(), FALSE);
    picture = Picture(link.Handle());
    EXPECT_GT(picture.Count(GetSysColor(COLOR_GRAYTEXT), r), 0);
    EXPECT_EQ(0, picture.Count(kBlue));
}

TEST_F(HyperLinkTest, EachTargetAddsAToolAndTheWindowsEndTakesTheTooltip) {
    ASSERT_TRUE(link.Attach(Static(IDC_LINK_TAGGED)));
    // Else the static is transparent to the mouse.
    EXPECT_NE(0, GetWindowLongA(link.Handle(), GWL_STYLE) & SS_NOTIFY);
    // The static's text became label and target, with a tool of its own.
    EXPECT_STREQ("Static", link.Label());
    EXPECT_STREQ("Static", link.Target());
    EXPECT_EQ(1, ToolCount(link));
    ASSERT_TRUE(link.SetLabelText("label"));
    ASSERT_TRUE(link.SetTarget("http://example.org/one"));
    ASSERT_TRUE(link.SetTarget("http://example.org/two"));
    EXPECT_EQ(3, ToolCount(link));
    EXPECT_STREQ("http://example.org/two", link.Target());

    const HWND tooltip = link.Tooltip();
    DestroyWindow(dialog->get());  // the dialog ends first, and takes the link along
    EXPECT_FALSE(IsWindow(tooltip));
    EXPECT_TRUE(link.Tooltip() == nullptr && link.Handle() == nullptr);
}

// Else the static would call into a freed object.
TEST_F(HyperLinkTest, ALinkEndedBeforeItsWindowGivesTheStaticBack) {
    const HWND window = Static(IDC_LINK_LEFT);
    const LONG_PTR original = GetWindowLongPtrA(window, GWLP_WNDPROC);
    auto shortLived = std::make_unique<HyperLink>();
    ASSERT_TRUE(shortLived->Attach(window));
    const HWND tooltip = shortLived->Tooltip();
    shortLived.reset();
    EXPECT_EQ(original, GetWindowLongPtrA(window, GWLP_WNDPROC));
    EXPECT_FALSE(IsWindow(tooltip));
    SetWindowTextA(window, "still a static");
    EXPECT_EQ("still a static", zentrail::drive::TextOf(window));
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

// Only the link part reacts to the mouse: it must be where the static shows
// the link text, and as large.
TEST_F(HyperLinkTest, LinkPartCoversTheLinkTextWhereTheStaticShowsIt) {
    HyperLink centre, right;
    ASSERT_TRUE(link.Attach(Static(IDC_LINK_LEFT)));
    ASSERT_TRUE(centre.Attach(Static(IDC_LINK_CENTER)));
    ASSERT_TRUE(right.Attach(Static(IDC_LINK_RIGHT)));
    ASSERT_TRUE(other.Attach(Static(IDC_LINK_TAGGED)));
    other.SetLinkStyle(LINKSTYLE_TAGS);
    ASSERT_TRUE(other.SetLabelText("weblog : <a>example.org</a> and more"));
    RECT client;
    GetClientRect(link.Handle(), &client);
    const auto width = [](const RECT& r) { return r.right - r.left; };
    const SIZE left = TextSize(link.Handle(), link.LinkFont(), "Left link");
    EXPECT_EQ((RECT{0, 0, left.cx, left.cy}), link.LinkRect());
    const RECT& c = centre.LinkRect();
    EXPECT_EQ(TextSize(link.Handle(), link.LinkFont(), "Centre link").cx, width(c));
    EXPECT_LE(std::abs(c.left - (client.right - c.right)), 1) << c.left << ".." << c.right;
    EXPECT_EQ(client.right, right.LinkRect().right);
    EXPECT_EQ(TextSize(link.Handle(), link.LinkFont(), "Right link").cx, width(right.LinkRect()));
    const RECT t = other.LinkRect();
    EXPECT_EQ(TextSize(link.Handle(), other.NormalFont(), "weblog : ").cx, t.left);
    EXPECT_EQ(TextSize(link.Handle(), other.LinkFont(), "example.org").cx, width(t));
    // Tagged, the plain parts take the parent's colour.
    const Picture picture(other.Handle());
    EXPECT_GT(picture.Count(kBlue, t), 0);
    EXPECT_EQ(picture.Count(kBlue), picture.Count(kBlue, t));
    EXPECT_EQ(0, picture.Count(kPlainColor, t));
    EXPECT_GT(picture.Count(kPlainColor, RECT{0, 0, t.left, 100}), 0);
    EXPECT_GT(picture.Count(kPlainColor, RECT{t.right, 0, 1000, 100}), 0);
    // The link font is the dialog's, underlined.
    const auto dialogFont = reinterpret_cast<HFONT>(SendMessageA(dialog->get(), WM_GETFONT, 0, 0));
    EXPECT_EQ(dialogFont, link.NormalFont());
    EXPECT_STREQ(FontOf(dialogFont).lfFaceName, FontOf(link.LinkFont()).lfFaceName);

    // A new font serves the plain parts; the link font and link part stay.
    const HFONT linkFont = link.LinkFont();
    const RECT before = link.LinkRect();
    const auto fixed = static_cast<HFONT>(GetStockObject(ANSI_FIXED_FONT));
    SendMessageA(link.Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(fixed), TRUE);
    EXPECT_EQ(reinterpret_cast<LRESULT>(fixed), SendMessageA(link.Handle(), WM_GETFONT, 0, 0));
    EXPECT_EQ(linkFont, link.LinkFont());
    EXPECT_EQ(before, link.LinkRect());
    // The dialog manager must hand the link its characters.
    EXPECT_EQ(DLGC_WANTCHARS, SendMessageA(link.Handle(), WM_GETDLGCODE, 0, 0));
}

TEST_F(HyperLinkTest, WithoutLinkTextThereIsNothingToClick) {
    ASSERT_TRUE(link.Attach(Static(IDC_LINK_EMPTY)));
    EXPECT_TRUE(link.Label() == nullptr && link.Target() == nullptr);
    EXPECT_EQ(0, ToolCount(link));
    EXPECT_TRUE(IsRectEmpty(&link.LinkRect()));
    EXPECT_FALSE(link.MeasureLink());
    // A target alone is measured instead.
    ASSERT_TRUE(link.SetTarget("the target"));
    EXPECT_EQ(TextSize(link.Handle(), link.LinkFont(), "the target").cx,
              link.LinkRect().right - link.LinkRect().left);

    ASSERT_TRUE(other.Attach(Static(IDC_LINK_TAGGED)));
    other.SetLinkStyle(LINKSTYLE_TAGS);
    for (const char* text : {"empty <a></a> link", "open <a>but never closed", "no tags at all"}) {
        ASSERT_TRUE(other.SetLabelText(text));
        EXPECT_TRUE(IsRectEmpty(&other.LinkRect())) << text;
    }
    // Without any link part, a tagged label shows nothing at all.
    EXPECT_EQ(0, Picture(other.Handle()).Count(kPlainColor));
}

// The low style byte decides whether a static shows text or paints itself;
// a picture is all link, and keeps the default colours.
TEST_F(HyperLinkTest, PictureStaticsPaintThemselvesAndAreAllLink) {
    colors.Set(kAnchorColor, "0,128,0");
    const struct {
        DWORD style;
        bool paintsLabel;
    } kinds[] = {
        {SS_RIGHT, true},        {SS_ICON, false},          {SS_WHITEFRAME, false},
        {SS_SIMPLE, true},       {SS_LEFTNOWORDWRAP, true}, {SS_OWNERDRAW, false},
        {SS_ENHMETAFILE, false}, {SS_ETCHEDHORZ, true},     {SS_LEFT | SS_NOPREFIX, true},
    };
    for (const auto& kind : kinds) {
        SCOPED_TRACE(kind.style);
        ScratchWindow window(WS_CHILD | WS_VISIBLE | kind.style, dialog->get());
        HyperLink picture;
        ASSERT_TRUE(picture.Attach(window.get()));
        EXPECT_EQ(kind.paintsLabel, picture.PaintsLabel());
        EXPECT_EQ(kind.paintsLabel ? RGB(0, 128, 0) : kBlue, picture.LinkColor());
        if (kind.paintsLabel) continue;
        EXPECT_EQ((RECT{0, 0, 100, 100}), picture.LinkRect());
        EXPECT_EQ(nullptr, picture.LinkFont());
    }
}

TEST(HyperLinkWithoutWindow, StoresItsTextsAndStyle) {
    HyperLink link;
    EXPECT_FALSE(link.Attach(nullptr));
    EXPECT_EQ(nullptr, link.Handle());
    EXPECT_TRUE(link.SetLabelText("label") && link.SetTarget("target"));
    EXPECT_STREQ("label", link.Label());
    EXPECT_STREQ("target", link.Target());
    EXPECT_FALSE(link.MeasureLink());
    // With a mask only its bits change; options outside it are dropped.
    EXPECT_EQ(0u, link.SetLinkStyle(LINKSTYLE_TAGS));
    EXPECT_EQ(LINKSTYLE_TAGS, link.SetLinkStyle(LINKSTYLE_NO_TOOLTIP, 0));
    link.SetLinkStyle(LINKSTYLE_COMMAND | LINKSTYLE_TAGS, LINKSTYLE_COMMAND);
    EXPECT_EQ(LINKSTYLE_NO_TOOLTIP | LINKSTYLE_COMMAND, link.LinkStyle());
}

// --- Input and the option bits ------------------------------------------------------

// Records what is relayed to the tooltip.
WNDPROC g_tooltipProc = nullptr;
std::vector<MSG> g_relayed;

LRESULT CALLBACK RecordRelayed(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == TTM_RELAYEVENT) g_relayed.push_back(*reinterpret_cast<const MSG*>(lParam));
    return CallWindowProcA(g_tooltipProc, window, message, wParam, lParam);
}

void Click(const HyperLink& link, LPARAM down, LPARAM up) {
    SendMessageA(link.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, down);
    SendMessageA(link.Handle(), WM_LBUTTONUP, 0, up);
}

constexpr char kMissingProgram[] = "C:\\no-such-folder\\no-such-program.exe";

// The modes that the About box does not use belong to the control all the
// same: each row is a link on a static without text, given a label, with
// its options set before it is attached.
TEST_F(HyperLinkTest, OptionBitsDecideFontClickTooltipAndHover) {
    const LONG normal =
        FontOf(reinterpret_cast<HFONT>(SendMessageA(dialog->get(), WM_GETFONT, 0, 0))).lfWeight;
    const struct {
        DWORD options;
        bool hasTarget;  // else nothing to open
        UINT told;       // what a click sends the dialog: 0, WM_COMMAND or WM_NOTIFY
        bool hand;       // the cursor over the link part
        bool underlined, underlinedHovered, bold, relayed;
    } rows[] = {
        {0, true, 0, true, true, true, false, true},
        {LINKSTYLE_NO_UNDERLINE, true, 0, true, false, false, false, true},
        {LINKSTYLE_UNDERLINE_ON_HOVER, true, 0, true, false, true, false, true},
        {LINKSTYLE_COMMAND, true, WM_COMMAND, true, true, true, false, true},
        {LINKSTYLE_COMMAND, false, WM_COMMAND, true, true, true, false, true},
        {LINKSTYLE_NOTIFY, true, WM_NOTIFY, true, true, true, false, true},
        {0x08, false, 0, false, true, true, false, true},  // the notify bit alone is no mode
        {LINKSTYLE_TAGS_BOLD, true, 0, true, false, false, true, true},
        {0x20, true, 0, true, true, true, false, true},  // the bold bit alone does nothing
        {LINKSTYLE_NO_TOOLTIP | LINKSTYLE_COMMAND, true, WM_COMMAND, true, true, true, false,
         false},
    };
    const HCURSOR arrow = LoadCursor(nullptr, IDC_ARROW);
    for (const auto& row : rows) {
        SCOPED_TRACE(&row - rows);
        dialog->told.clear();
        SetWindowTextA(Static(IDC_LINK_EMPTY), "");  // what the last row's label left
        HyperLink styled;
        styled.SetLinkStyle(row.options);
        ASSERT_TRUE(styled.Attach(Static(IDC_LINK_EMPTY)));
        const bool tagged = (row.options & LINKSTYLE_TAGS) != 0;
        ASSERT_TRUE(styled.SetLabelText(tagged ? "<a>the link text</a>" : "the link text"));
        ASSERT_TRUE(!row.hasTarget || styled.SetTarget(kMissingProgram));
        const RECT r = styled.LinkRect();
        const auto underlinedNow = [&] {
            return Picture(styled.Handle()).WidestRun(kBlue, r) >= (r.right - r.left) * 9 / 10;
        };
        EXPECT_EQ(row.bold ? FW_BOLD : normal, FontOf(styled.LinkFont()).lfWeight);
        EXPECT_EQ(row.underlined, underlinedNow());

        g_relayed.clear();
        g_tooltipProc = FromWindowLong<WNDPROC>(
            SetWindowLongPtrA(styled.Tooltip(), GWLP_WNDPROC, AsWindowLong(&RecordRelayed)));
        SetCursor(arrow);
        SendMessageA(styled.Handle(), WM_MOUSEMOVE, MK_SHIFT, InsideLink(styled));
        EXPECT_EQ(row.hand ? styled.HandCursor() : arrow, GetCursor());
        EXPECT_EQ(row.underlinedHovered, underlinedNow());
        SendMessageA(styled.Handle(), WM_MOUSEMOVE, 0, OutsideLink(styled));
        EXPECT_EQ(row.underlined, underlinedNow());
        SendMessageA(styled.Handle(), WM_MOUSEMOVE, 0, InsideLink(styled));
        EXPECT_EQ(0, SendMessageA(styled.Handle(), WM_MOUSELEAVE, 0, 0));
        EXPECT_EQ(row.underlined, underlinedNow());
        SendMessageA(styled.Handle(), WM_RBUTTONDOWN, 0, OutsideLink(styled));
        SendMessageA(styled.Handle(), WM_MOUSEWHEEL, 0, 0);  // past the relayed range
        ASSERT_EQ(row.relayed ? 4u : 0u, g_relayed.size());
        const MSG m = row.relayed ? g_relayed[0] : MSG{};
        EXPECT_TRUE(!row.relayed || std::make_tuple(styled.Handle(), UINT{WM_MOUSEMOVE},
                                                    WPARAM{MK_SHIFT}, InsideLink(styled)) ==
                                        std::tie(m.hwnd, m.message, m.wParam, m.lParam));

        Click(styled, InsideLink(styled), InsideLink(styled));
        EXPECT_FALSE(styled.IsVisited());
        std::vector<Told> expected;
        if (row.told == WM_COMMAND) {
            expected.emplace_back(WM_COMMAND, MAKEWPARAM(IDC_LINK_EMPTY, BN_CLICKED),
                                  styled.Handle(), IDC_LINK_EMPTY, BN_CLICKED);
        } else if (row.told == WM_NOTIFY) {
            expected.emplace_back(WM_NOTIFY, IDC_LINK_EMPTY, styled.Handle(), IDC_LINK_EMPTY,
                                  NM_CLICK);
        }
        EXPECT_EQ(expected, dialog->told);
    }
}

// Counts the characters that the link passes on to the static.
WNDPROC g_staticProc = nullptr;
int g_charsPassedOn = 0;

LRESULT CALLBACK CountChars(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    g_charsPassedOn += message == WM_CHAR;
    return CallWindowProcA(g_staticProc, window, message, wParam, lParam);
}

TEST_F(HyperLinkTest, PressAndReleaseOnTheLinkPartOrEnterOrSpaceActivate) {
    g_charsPassedOn = 0;
    g_staticProc = FromWindowLong<WNDPROC>(
        SetWindowLongPtrA(Static(IDC_LINK_EMPTY), GWLP_WNDPROC, AsWindowLong(&CountChars)));
    link.SetLinkStyle(LINKSTYLE_COMMAND);
    ASSERT_TRUE(link.Attach(Static(IDC_LINK_EMPTY)));
    ASSERT_TRUE(link.SetLabelText("command link"));
    Click(link, InsideLink(link), OutsideLink(link));
    Click(link, OutsideLink(link), InsideLink(link));
    SendMessageA(link.Handle(), WM_LBUTTONUP, 0, InsideLink(link));  // a release alone
    for (WPARAM character : {'a', '\t', '\x1B', '0'})
        EXPECT_EQ(0, SendMessageA(link.Handle(), WM_CHAR, character, 1));
    EXPECT_TRUE(dialog->told.empty());
    EXPECT_EQ(nullptr, GetCapture());

    Click(link, InsideLink(link), InsideLink(link));
    EXPECT_EQ(1u, dialog->told.size());
    EXPECT_EQ(nullptr, GetCapture());
    EXPECT_EQ(link.Handle(), GetFocus());
    SendMessageA(link.Handle(), WM_CHAR, '\r', 1);
    SendMessageA(link.Handle(), WM_CHAR, ' ', 1);
    EXPECT_EQ(3u, dialog->told.size());
    EXPECT_EQ(0, g_charsPassedOn);
}

TEST_F(HyperLinkTest, FocusIsDrawnAroundTheLinkPartOnly) {
    ASSERT_TRUE(link.Attach(Static(IDC_LINK_LEFT)));
    SetFocus(GetDlgItem(dialog->get(), IDOK));
    const Picture unfocused(link.Handle());
    SetFocus(link.Handle());
    ASSERT_TRUE(WaitUntil([&] { return GetFocus() == link.Handle(); }, 5000));
    const Picture focused(link.Handle());
    // Dotted along the link part's edges; nothing else changes.
    const RECT& r = link.LinkRect();
    const RECT top{r.left, r.top, r.right, r.top + 1};
    EXPECT_LT(focused.Count(kBackground, top), unfocused.Count(kBackground, top));
    EXPECT_EQ(unfocused.Count(kBackground) - unfocused.Count(kBackground, r),
              focused.Count(kBackground) - focused.Count(kBackground, r));
}

// --- Opening the target: the probe, which leaves a marker file and ends --------------

TEST_F(HyperLinkTest, ASuccessfulOpenTurnsTheLinkVisitedAFailedOneChangesNothing) {
    const std::string marker = ProbePath() + ".ran-" + std::to_string(GetCurrentProcessId());
    SetEnvironmentVariableA("ZENTRAIL_LINK_PROBE_MARKER", marker.c_str());
    constexpr COLORREF kOrange = RGB(255, 128, 0);
    colors.Set(kAnchorColorVisited, "255,128,0");

    ASSERT_TRUE(other.Attach(Static(IDC_LINK_LEFT)));
    ASSERT_TRUE(other.SetTarget(kMissingProgram));
    EXPECT_FALSE(other.OpenTarget());
    SendMessageA(other.Handle(), WM_CHAR, ' ', 1);
    EXPECT_FALSE(other.IsVisited());
    EXPECT_EQ(0, Picture(other.Handle()).Count(kOrange));

    ASSERT_TRUE(link.Attach(Static(IDC_LINK_TAGGED)));
    link.SetLinkStyle(LINKSTYLE_TAGS);
    ASSERT_TRUE(link.SetLabelText("probe : <a>run it</a>"));
    ASSERT_TRUE(link.SetTarget(ProbePath().c_str()));
    const RECT r = link.LinkRect();
    Click(link, InsideLink(link), InsideLink(link));
    EXPECT_TRUE(link.IsVisited());
    EXPECT_TRUE(WaitUntil(
        [&] { return GetFileAttributesA(marker.c_str()) != INVALID_FILE_ATTRIBUTES; }, 20000))
        << "the probe never ran";
    DeleteFileA(marker.c_str());

    const Picture picture(link.Handle());
    EXPECT_GT(picture.Count(kOrange, r), 0);
    EXPECT_EQ(picture.Count(kOrange), picture.Count(kOrange, r));
    EXPECT_EQ(0, picture.Count(kBlue));
    EnableWindow(link.Handle(), FALSE);  // grey like any other link
    EXPECT_EQ(0, Picture(link.Handle()).Count(kOrange));
    EXPECT_TRUE(dialog->told.empty());
}

}  // namespace
