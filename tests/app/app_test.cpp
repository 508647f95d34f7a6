// Zentrail.exe end to end: the program runs in its own process and is driven
// from here as a person would drive it, with real key presses where the
// keyboard matters, so that they pass through the program's message loop.
#include <windows.h>

#include <gtest/gtest.h>

#include <cctype>
#include <ctime>
#include <ostream>
#include <random>
#include <string>

#include "app_driver.h"
#include "res/about_text.h"
#include "res/resource_ids.h"

namespace {

using namespace zentrail::drive;

// Generous deadlines for a loaded machine; a pass usually takes a fraction.
constexpr DWORD kWindowMs = 10000;
constexpr DWORD kExitMs = 10000;
// The output must follow the fields within one second.
constexpr DWORD kRefreshMs = 1000;

const char kMainCaption[] = "Zentrail2";
const char kAboutCaption[] = "About";
const char kVersionLine[] = "Zentrail Version: 2.0.0.1\n" ZENTRAIL_COPYRIGHT_LINE;

#define SKIP_WITHOUT_DISPLAY() \
    if (!CanShowWindows()) GTEST_SKIP() << "no display to show windows on"

// Where PlaceCentred puts a top-level window of the given size: centred on
// target, pulled inside the work area.
POINT CentredOn(const RECT& target, const RECT& box) {
    RECT area{};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    const LONG width = box.right - box.left;
    const LONG height = box.bottom - box.top;
    LONG left = (target.left + target.right) / 2 - width / 2;
    LONG top = (target.top + target.bottom) / 2 - height / 2;
    if (left < area.left) {
        left = area.left;
    } else if (left + width > area.right) {
        left = area.right - width;
    }
    if (top < area.top) {
        top = area.top;
    } else if (top + height > area.bottom) {
        top = area.bottom - height;
    }
    return POINT{left, top};
}

RECT WorkArea() {
    RECT area{};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    return area;
}

bool IsDecimal(const std::string& text) {
    if (text.empty() || text.size() > 10) return false;
    for (const char c : text) {
        if (!std::isdigit(static_cast<unsigned char>(c))) return false;
    }
    return text.size() == 1 || text[0] != '0';
}

std::string FirstMtValueText(std::time_t second) {
    std::mt19937 engine(static_cast<std::uint32_t>(second));
    return std::to_string(engine());
}

// The window with this text among window's children; null when none.
HWND ChildWithText(HWND window, const std::string& text) {
    for (HWND child = GetWindow(window, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
        if (TextOf(child) == text) return child;
    }
    return nullptr;
}

class ZentrailApp : public ::testing::Test {
  protected:
    void SetUp() override {
        SKIP_WITHOUT_DISPLAY();
        ASSERT_NO_FATAL_FAILURE(Launch(ZENTRAIL_EXE));
    }
    void TearDown() override { app_.End(); }

    void Launch(const char* exe) {
        std::string error;
        ASSERT_TRUE(app_.Start(WindowsPath(exe), error)) << error;
        main_ = app_.WaitForWindow(kMainCaption, kWindowMs);
        ASSERT_NE(nullptr, main_) << "no window \"" << kMainCaption << "\" appeared";
    }

    HWND Field(int id) const { return GetDlgItem(main_, id); }
    std::string Output() const { return TextOf(Field(IDC_OUTPUT_FIELD)); }

    void SetFields(const std::string& tag, const std::string& name) {
        ASSERT_TRUE(SetTextOf(Field(IDC_TAG_FIELD), tag));
        ASSERT_TRUE(SetTextOf(Field(IDC_NAME_FIELD), name));
    }
    bool OutputBecomes(const std::string& expected, DWORD timeoutMs = kRefreshMs) const {
        return WaitFor([&] { return Output() == expected; }, timeoutMs);
    }

    enum class Route { kButton, kKeyboard };
    HWND OpenAbout(Route route) {
        if (route == Route::kButton) {
            // Posted: the button's click returns only when the box closes.
            PostMessageA(GetDlgItem(main_, IDC_ABOUT), BM_CLICK, 0, 0);
        } else {
            EXPECT_TRUE(BringToFront(main_));
            EXPECT_TRUE(PressKey('A', VK_MENU));
        }
        return app_.WaitForWindow(kAboutCaption, kWindowMs);
    }

    // The exit code, or ~0 when the program did not end in time.
    DWORD ExitCode() const {
        DWORD code = 0;
        return app_.WaitForExit(kExitMs, code) ? code : ~DWORD{0};
    }

    AppProcess app_;
    HWND main_ = nullptr;
};

// --- The main window ------------------------------------------------------------------

TEST_F(ZentrailApp, MainWindowAppearsCentredWithTheFocusInTheTagField) {
    const RECT rect = RectOf(main_);
    const POINT expected = CentredOn(WorkArea(), rect);
    EXPECT_EQ(expected.x, rect.left);
    EXPECT_EQ(expected.y, rect.top);

    EXPECT_TRUE(WaitFor(
        [&] {
            GUITHREADINFO info{};
            info.cbSize = sizeof info;
            return GetGUIThreadInfo(app_.ThreadId(), &info) &&
                   info.hwndFocus == Field(IDC_TAG_FIELD);
        },
        kWindowMs));
}

struct TagCase {
    const char* name;
    const char* tag;
    const char* nameText;
    const char* output;
};

void PrintTo(const TagCase& c, std::ostream* out) { *out << c.name; }

const TagCase kTagCases[] = {
    {"Abc", "x", "abc", "x_1Qafmj"},
    {"EmptyTag", "", "abc", "_1Qafmj"},
    {"Digits", "tag", "123456789", "tag_4CJmu4"},
    {"HashTag", "#news", "Hello", "#news_tTukG"},
    {"CaseMatters", "#news", "hello", "#news_sBt93"},
    {"SpacesKept", " x ", "abc ", " x _uqZbO"},
};

class TagAndName : public ZentrailApp, public ::testing::WithParamInterface<TagCase> {};

TEST_P(TagAndName, GiveTheirOutputWithinOneSecond) {
    const TagCase& c = GetParam();
    SetFields(c.tag, c.nameText);
    EXPECT_TRUE(OutputBecomes(c.output)) << "output is \"" << Output() << "\"";
}

INSTANTIATE_TEST_SUITE_P(Examples, TagAndName, ::testing::ValuesIn(kTagCases),
                         [](const ::testing::TestParamInfo<TagCase>& p) {
                             return std::string(p.param.name);
                         });

TEST_F(ZentrailApp, EmptyNameShowsTheFirstMt19937ValueOfTheCurrentSecond) {
    SetFields("x", "");
    std::string seen;
    const bool matched = WaitFor(
        [&] {
            seen = Output();
            // The tick may have run in the second before or after this look.
            const std::time_t now = std::time(nullptr);
            for (std::time_t second = now - 1; second <= now + 1; ++second) {
                if (seen == "x_" + FirstMtValueText(second)) return true;
            }
            return false;
        },
        kRefreshMs);
    EXPECT_TRUE(matched) << "output is \"" << seen << "\"";
    ASSERT_GE(seen.size(), 3u);
    EXPECT_TRUE(IsDecimal(seen.substr(2))) << seen;
}

TEST_F(ZentrailApp, TextTypedIntoTheOutputIsReplacedAtTheNextTick) {
    SetFields("x", "abc");
    ASSERT_TRUE(OutputBecomes("x_1Qafmj"));
    // A tick may come between writing and reading back: write until the
    // typed text is seen there once.
    ASSERT_TRUE(
        WaitFor([&] { return SetTextOf(Field(IDC_OUTPUT_FIELD), "typed") && Output() == "typed"; },
                kWindowMs));
    EXPECT_TRUE(OutputBecomes("x_1Qafmj")) << "output is \"" << Output() << "\"";
}

// --- Copy -----------------------------------------------------------------------------

enum class CopyRoute { kButton, kEnterKey };

void PrintTo(CopyRoute route, std::ostream* out) {
    *out << (route == CopyRoute::kButton ? "the Copy button" : "Enter");
}

class CopyBy : public ZentrailApp, public ::testing::WithParamInterface<CopyRoute> {};

TEST_P(CopyBy, PutsExactlyTheOutputOnTheClipboard) {
    SetFields("#news", "Hello");
    ASSERT_TRUE(OutputBecomes("#news_tTukG"));
    ASSERT_TRUE(WaitFor(EmptyTheClipboard, kWindowMs));
    if (GetParam() == CopyRoute::kButton) {
        PostMessageA(GetDlgItem(main_, IDOK), BM_CLICK, 0, 0);
    } else {
        // The focus is in the tag field: Enter goes to the default button.
        ASSERT_TRUE(BringToFront(main_));
        ASSERT_TRUE(PressKey(VK_RETURN));
    }
    // Read while the program runs: under Wine the clipboard goes with it.
    std::string copied;
    EXPECT_TRUE(
        WaitFor([&] { return ClipboardText(copied) && copied == "#news_tTukG"; }, kWindowMs))
        << "clipboard holds \"" << copied << "\"";
    EXPECT_TRUE(app_.Running());
}

INSTANTIATE_TEST_SUITE_P(Routes, CopyBy,
                         ::testing::Values(CopyRoute::kButton, CopyRoute::kEnterKey),
                         [](const ::testing::TestParamInfo<CopyRoute>& p) {
                             return p.param == CopyRoute::kButton ? "Button" : "EnterKey";
                         });

// --- The About box ----------------------------------------------------------------------

class AboutBy : public ZentrailApp, public ::testing::WithParamInterface<bool> {};

TEST_P(AboutBy, OpensOverTheMainWindowWithTheVersionAndCopyright) {
    const HWND about = OpenAbout(GetParam() ? Route::kKeyboard : Route::kButton);
    ASSERT_NE(nullptr, about);
    EXPECT_EQ(main_, GetWindow(about, GW_OWNER));
    EXPECT_FALSE(IsWindowEnabled(main_)) << "the box is modal";

    const RECT rect = RectOf(about);
    const POINT expected = CentredOn(RectOf(main_), rect);
    EXPECT_EQ(expected.x, rect.left);
    EXPECT_EQ(expected.y, rect.top);

    EXPECT_EQ(kVersionLine, TextOf(GetDlgItem(about, IDC_VERSION_TEXT)));
    // The three lines became links: attaching makes them notify.
    for (const int id : {IDC_WEBLOG_LINK, IDC_BOOKLOG_LINK, IDC_SHOP_LINK}) {
        EXPECT_NE(0, GetWindowLongA(GetDlgItem(about, id), GWL_STYLE) & SS_NOTIFY) << id;
    }
}

INSTANTIATE_TEST_SUITE_P(Routes, AboutBy, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& p) {
                             return p.param ? "AltA" : "Button";
                         });

TEST_F(ZentrailApp, OutputKeepsRefreshingWhileTheAboutBoxIsOpen) {
    const HWND about = OpenAbout(Route::kButton);
    ASSERT_NE(nullptr, about);
    SetFields("x", "abc");
    EXPECT_TRUE(OutputBecomes("x_1Qafmj")) << "output is \"" << Output() << "\"";
    SetFields("tag", "123456789");
    EXPECT_TRUE(OutputBecomes("tag_4CJmu4")) << "output is \"" << Output() << "\"";
    EXPECT_TRUE(IsWindow(about));
}

enum class AboutClose { kOkButton, kEnterKey, kEscKey, kCloseBox };

const char* const kAboutCloseNames[] = {"OkButton", "EnterKey", "EscKey", "CloseBox"};

void PrintTo(AboutClose how, std::ostream* out) { *out << kAboutCloseNames[static_cast<int>(how)]; }

class AboutClosedBy : public ZentrailApp, public ::testing::WithParamInterface<AboutClose> {};

TEST_P(AboutClosedBy, EndsTheBoxAndLeavesTheProgramRunning) {
    const HWND about = OpenAbout(Route::kButton);
    ASSERT_NE(nullptr, about);
    ASSERT_TRUE(BringToFront(about));
    POINT closeBox{};
    switch (GetParam()) {
        case AboutClose::kOkButton:
            PostMessageA(GetDlgItem(about, IDOK), BM_CLICK, 0, 0);
            break;
        case AboutClose::kEnterKey:
            ASSERT_TRUE(PressKey(VK_RETURN));
            break;
        case AboutClose::kEscKey:
            ASSERT_TRUE(PressKey(VK_ESCAPE));
            break;
        case AboutClose::kCloseBox:
            ASSERT_TRUE(CloseBoxOf(about, closeBox));
            ASSERT_TRUE(ClickAt(closeBox));
            break;
    }
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(about); }, kWindowMs));
    EXPECT_TRUE(WaitFor([&] { return IsWindowEnabled(main_) != FALSE; }, kWindowMs));
    EXPECT_TRUE(app_.Running());
    // And the main window is still alive: it goes on refreshing.
    SetFields("x", "abc");
    EXPECT_TRUE(OutputBecomes("x_1Qafmj"));
}

INSTANTIATE_TEST_SUITE_P(Routes, AboutClosedBy,
                         ::testing::Values(AboutClose::kOkButton, AboutClose::kEnterKey,
                                           AboutClose::kEscKey, AboutClose::kCloseBox),
                         [](const ::testing::TestParamInfo<AboutClose>& p) {
                             return std::string(kAboutCloseNames[static_cast<int>(p.param)]);
                         });

// --- Ending the program -------------------------------------------------------------------

enum class MainClose { kCloseButton, kEscKey, kCloseBox };

const char* const kMainCloseNames[] = {"CloseButton", "EscKey", "CloseBox"};

void PrintTo(MainClose how, std::ostream* out) { *out << kMainCloseNames[static_cast<int>(how)]; }

class MainClosedBy : public ZentrailApp, public ::testing::WithParamInterface<MainClose> {};

TEST_P(MainClosedBy, EndsTheProgramWithExitCode2) {
    POINT closeBox{};
    switch (GetParam()) {
        case MainClose::kCloseButton:
            PostMessageA(GetDlgItem(main_, IDCANCEL), BM_CLICK, 0, 0);
            break;
        case MainClose::kEscKey:
            ASSERT_TRUE(BringToFront(main_));
            ASSERT_TRUE(PressKey(VK_ESCAPE));
            break;
        case MainClose::kCloseBox:
            ASSERT_TRUE(BringToFront(main_));
            ASSERT_TRUE(CloseBoxOf(main_, closeBox));
            ASSERT_TRUE(ClickAt(closeBox));
            break;
    }
    EXPECT_EQ(2u, ExitCode());
}

INSTANTIATE_TEST_SUITE_P(Routes, MainClosedBy,
                         ::testing::Values(MainClose::kCloseButton, MainClose::kEscKey,
                                           MainClose::kCloseBox),
                         [](const ::testing::TestParamInfo<MainClose>& p) {
                             return std::string(kMainCloseNames[static_cast<int>(p.param)]);
                         });

TEST_F(ZentrailApp, QuitMessageFromElsewhereEndsTheProgramWithItsCode) {
    ASSERT_TRUE(PostThreadMessageA(app_.ThreadId(), WM_QUIT, 7, 0));
    EXPECT_EQ(7u, ExitCode());
}

TEST_F(ZentrailApp, QuitMessageWhileTheAboutBoxIsOpenEndsTheProgramWithItsCode) {
    ASSERT_NE(nullptr, OpenAbout(Route::kButton));
    ASSERT_TRUE(PostThreadMessageA(app_.ThreadId(), WM_QUIT, 7, 0));
    EXPECT_EQ(7u, ExitCode());
}

// --- Builds that lack a resource ---------------------------------------------------------------

TEST(IncompleteProgram, WithoutTheMainDialogTemplateEndsWithExitCode0) {
    SKIP_WITHOUT_DISPLAY();
    AppProcess app;
    std::string error;
    ASSERT_TRUE(app.Start(WindowsPath(ZENTRAIL_WITHOUT_MAIN_DIALOG_EXE), error)) << error;
    DWORD code = ~DWORD{0};
    ASSERT_TRUE(app.WaitForExit(kExitMs, code));
    EXPECT_EQ(0u, code);
}

class WithoutVersion : public ZentrailApp {
  protected:
    void SetUp() override {
        SKIP_WITHOUT_DISPLAY();
        ASSERT_NO_FATAL_FAILURE(Launch(ZENTRAIL_WITHOUT_VERSION_EXE));
    }
};

TEST_F(WithoutVersion, AboutBoxSaysSoAndOpensWithItsTemplateTexts) {
    PostMessageA(GetDlgItem(main_, IDC_ABOUT), BM_CLICK, 0, 0);
    const HWND box = app_.WaitForWindow("Message", kWindowMs);
    ASSERT_NE(nullptr, box);
    EXPECT_NE(nullptr, ChildWithText(box, "failed get version"));
    EXPECT_EQ(nullptr, app_.FindWindowWithCaption(kAboutCaption)) << "shown before the box";

    ASSERT_TRUE(BringToFront(box));
    ASSERT_TRUE(PressKey(VK_RETURN));
    const HWND about = app_.WaitForWindow(kAboutCaption, kWindowMs);
    ASSERT_NE(nullptr, about);
    EXPECT_EQ("Zentrail Version 1.0\nCopyright (C) 2011",
              TextOf(GetDlgItem(about, IDC_VERSION_TEXT)));
    for (const int id : {IDC_WEBLOG_LINK, IDC_BOOKLOG_LINK, IDC_SHOP_LINK}) {
        const HWND line = GetDlgItem(about, id);
        EXPECT_EQ("Static", TextOf(line)) << id;
        EXPECT_EQ(0, GetWindowLongA(line, GWL_STYLE) & SS_NOTIFY) << id << " became a link";
    }

    // It closes as usual, and so does the program.
    ASSERT_TRUE(BringToFront(about));
    ASSERT_TRUE(PressKey(VK_ESCAPE));
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(about); }, kWindowMs));
    PostMessageA(GetDlgItem(main_, IDCANCEL), BM_CLICK, 0, 0);
    EXPECT_EQ(2u, ExitCode());
}

}  // namespace
