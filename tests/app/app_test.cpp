// Zentrail.exe end to end: the program runs in its own process and is driven
// from here as a person would drive it, with real key presses where the
// keyboard matters, so that they pass through the program's message loop.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <map>
#include <string>

#include "app_driver.h"
#include "reference_code.h"
#include "res/resource_ids.h"
#include "shell/place_centred.h"

namespace {

using namespace zentrail::drive;

// Generous deadlines for a loaded machine; a pass usually takes a fraction.
constexpr DWORD kWindowMs = 10000;
// The output must follow the fields within one second.
constexpr DWORD kRefreshMs = 1000;

// Where the program should put a window of this size: centred on target (the
// work area without one), inside the work area; the rule itself is tested
// with the shell.
void ExpectCentredOn(HWND window, const RECT* target = nullptr) {
    RECT area{};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    const RECT box = RectOf(window);
    const POINT expected = CentredPosition(box, target ? *target : area, area);
    EXPECT_EQ(expected.x, box.left);
    EXPECT_EQ(expected.y, box.top);
}

class ZentrailApp : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!CanShowWindows()) GTEST_SKIP() << "no display to show windows on";
        std::string error;
        ASSERT_TRUE(app_.Start(WindowsPath(ZENTRAIL_EXE), error)) << error;
        main_ = app_.WaitForWindow("Zentrail2", kWindowMs);
        ASSERT_NE(nullptr, main_) << "no main window appeared";
    }
    void TearDown() override { app_.End(); }

    HWND Item(int id) const { return GetDlgItem(main_, id); }
    void SetFields(const std::string& tag, const std::string& name) {
        ASSERT_TRUE(SetTextOf(Item(IDC_TAG_FIELD), tag));
        ASSERT_TRUE(SetTextOf(Item(IDC_NAME_FIELD), name));
    }
    // Whether read gives expected within the time; else what it gave last.
    static ::testing::AssertionResult Becomes(const std::string& expected,
                                              const std::function<std::string()>& read,
                                              DWORD ms = kWindowMs) {
        std::string last;
        return ::testing::AssertionResult(WaitFor([&] { return (last = read()) == expected; }, ms))
               << last.size() << " bytes: \"" << last.substr(0, 80) << "\"";
    }
    ::testing::AssertionResult OutputBecomes(const std::string& expected) const {
        return Becomes(
            expected, [&] { return TextOf(Item(IDC_OUTPUT_FIELD)); }, kRefreshMs);
    }
    // Read while the program runs: under Wine the clipboard goes with it.
    static ::testing::AssertionResult ClipboardBecomes(const std::string& expected) {
        return Becomes(expected, [] {
            std::string text;
            return ClipboardText(text) ? text : "";
        });
    }
    bool FocusReaches(int id) const {
        GUITHREADINFO info{};
        info.cbSize = sizeof info;
        return WaitFor(
            [&] { return GetGUIThreadInfo(app_.ThreadId(), &info) && info.hwndFocus == Item(id); },
            kWindowMs);
    }
    // Posted: a click that opens the About box returns only when it closes.
    void Click(int id) { PostMessageA(Item(id), BM_CLICK, 0, 0); }

    AppProcess app_;
    HWND main_ = nullptr;
};

// --- The main window ------------------------------------------------------------------

// Characters sent as a keyboard does for text it has no key for: the
// program's ANSI edit control makes them bytes of its code page.
bool TypeUnicode(const std::wstring& text) {
    for (const wchar_t c : text) {
        INPUT keys[2] = {{INPUT_KEYBOARD, {}}, {INPUT_KEYBOARD, {}}};
        keys[0].ki = {0, static_cast<WORD>(c), KEYEVENTF_UNICODE, 0, 0};
        keys[1].ki = {0, static_cast<WORD>(c), KEYEVENTF_UNICODE | KEYEVENTF_KEYUP, 0, 0};
        if (SendInput(2, keys, sizeof(INPUT)) != 2) return false;
    }
    return true;
}

// The keyboard's way through the window: the focus starts in the tag field,
// Tab follows the template, text typed into the output lasts to the next
// tick, a name typed outside ASCII is coded as its bytes in the ANSI code
// page, undo brings the old name's code back, and Enter copies. Then texts at
// the fields' own limit come out whole, and the Copy button takes all. Run in
// the prefix's code page (1252) and again in a Japanese locale (932), where
// ZENTRAIL_EXPECT_CODE_PAGE says which it must be.
TEST_F(ZentrailApp, KeysTypeMoveUndoAndCopyInTheAnsiCodePageAndLongTextsComeOutWhole) {
    const char* expected = std::getenv("ZENTRAIL_EXPECT_CODE_PAGE");
    ASSERT_TRUE(!expected || std::strtoul(expected, nullptr, 10) == GetACP()) << GetACP();
    // Half-width kana are the bytes of 932's upper half that stand alone.
    const std::map<UINT, std::wstring> names = {{1252, L"Gr\u00FC\u00DFe \u00C6on \u20AC\u00E9"},
                                                {932, L"\uFF71\uFF7F\uFF9D\uFF8A\uFF9F"}};
    if (names.count(GetACP()) == 0) GTEST_SKIP() << "no name chosen for code page " << GetACP();
    // This process's ANSI form of the name, which must exist whole.
    BOOL lossy = FALSE;
    char bytes[64] = {};
    WideCharToMultiByte(CP_ACP, 0, names.at(GetACP()).c_str(), -1, bytes, sizeof bytes, nullptr,
                        &lossy);
    ASSERT_FALSE(lossy);
    ExpectCentredOn(main_);
    ASSERT_TRUE(FocusReaches(IDC_TAG_FIELD));
    SetFields("x", "abc");
    ASSERT_TRUE(OutputBecomes("x_1Qafmj"));
    ASSERT_TRUE(ReadyForInput(app_.ThreadId(), main_));
    // The control order of the template, around and back to the start.
    for (const int id : {IDC_NAME_FIELD, IDC_OUTPUT_FIELD, IDOK, IDC_ABOUT, IDCANCEL, IDC_TAG_FIELD,
                         IDC_NAME_FIELD, IDC_OUTPUT_FIELD}) {
        ASSERT_TRUE(PressKey(VK_TAB));
        ASSERT_TRUE(FocusReaches(id)) << "Tab to " << id;
    }
    ASSERT_TRUE(PressKey(VK_END));
    ASSERT_TRUE(TypeText("zz"));
    EXPECT_TRUE(OutputBecomes("x_1Qafmj"));
    // Back in the name field: select its text, type over it, then undo.
    ASSERT_TRUE(PressKey(VK_TAB, VK_SHIFT));
    ASSERT_TRUE(FocusReaches(IDC_NAME_FIELD));
    ASSERT_TRUE(PressKey(VK_END));
    ASSERT_TRUE(PressKey(VK_HOME, VK_SHIFT));
    ASSERT_TRUE(TypeUnicode(names.at(GetACP())));
    EXPECT_TRUE(OutputBecomes(zentrail::soak::ReferenceOutput("x", bytes)));
    ASSERT_TRUE(PressKey('Z', VK_CONTROL));
    EXPECT_TRUE(Becomes("abc", [&] { return TextOf(Item(IDC_NAME_FIELD)); }));
    ASSERT_TRUE(OutputBecomes("x_1Qafmj"));
    // Enter goes to the default button, Copy.
    ASSERT_TRUE(WaitFor(EmptyTheClipboard, kWindowMs));
    ASSERT_TRUE(PressKey(VK_RETURN));
    EXPECT_TRUE(ClipboardBecomes("x_1Qafmj"));

    // Every printable character, at the fields' own limit.
    std::string texts[2] = {std::string(30000, ' '), std::string(30000, ' ')};
    for (std::size_t i = 0; i < 30000; ++i) {
        texts[0][i] = static_cast<char>(0x20 + i % 95);
        texts[1][i] = static_cast<char>(0x7E - i * 7 % 95);
    }
    SetFields(texts[0], texts[1]);
    const std::string output = zentrail::soak::ReferenceOutput(texts[0], texts[1]);
    ASSERT_TRUE(OutputBecomes(output));
    ASSERT_TRUE(WaitFor(EmptyTheClipboard, kWindowMs));
    Click(IDOK);
    EXPECT_TRUE(ClipboardBecomes(output));
}

// --- The About box ----------------------------------------------------------------------

// Opened by Alt+A and closed by Esc, opened by its button and closed by
// Enter. What it shows is checked in process.
TEST_F(ZentrailApp, AboutBoxOpensModalOverTheMainWindowAndClosesByEachWay) {
    for (const bool byAltA : {true, false}) {
        SCOPED_TRACE(byAltA ? "Alt+A" : "button");
        if (byAltA) {
            ASSERT_TRUE(ReadyForInput(app_.ThreadId(), main_));
            ASSERT_TRUE(PressKey('A', VK_MENU));
        } else {
            Click(IDC_ABOUT);
        }
        const HWND about = app_.WaitForWindow("About", kWindowMs);
        ASSERT_NE(nullptr, about);
        EXPECT_EQ(main_, GetWindow(about, GW_OWNER));
        EXPECT_FALSE(IsWindowEnabled(main_)) << "the box is modal";
        const RECT owner = RectOf(main_);
        ExpectCentredOn(about, &owner);
        // The output keeps refreshing.
        SetFields("x", byAltA ? "abc" : "Hello");
        EXPECT_TRUE(OutputBecomes(byAltA ? "x_1Qafmj" : "x_tTukG"));
        ASSERT_TRUE(ReadyForInput(app_.ThreadId(), about));
        ASSERT_TRUE(PressKey(byAltA ? VK_ESCAPE : VK_RETURN));
        EXPECT_TRUE(WaitFor([&] { return !IsWindow(about) && IsWindowEnabled(main_); }, kWindowMs));
        ASSERT_TRUE(app_.Running());
    }
}

// --- Ending the program -------------------------------------------------------------------

// The Close button and the Esc key; the caption's close box takes the
// system's own way to the same command.
class MainClosedBy : public ZentrailApp, public ::testing::WithParamInterface<bool> {};

TEST_P(MainClosedBy, EndsTheProgramWithExitCode2) {
    if (GetParam()) {
        ASSERT_TRUE(ReadyForInput(app_.ThreadId(), main_));
        ASSERT_TRUE(PressKey(VK_ESCAPE));
    } else {
        Click(IDCANCEL);
    }
    DWORD code = 0;
    EXPECT_TRUE(app_.WaitForExit(kWindowMs, code));
    EXPECT_EQ(2u, code);
}

INSTANTIATE_TEST_SUITE_P(Routes, MainClosedBy, ::testing::Bool(),
                         [](const auto& route) { return route.param ? "EscKey" : "CloseButton"; });

}  // namespace
