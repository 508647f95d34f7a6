// Zentrail's pieces in this process, with its resources, for what the
// end-to-end tests cannot reach or see: failing ticks, the run's ends, the
// version resource, and what the About box shows and leaves behind.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <ctime>
#include <functional>
#include <random>
#include <string>
#include <utility>

#include "about/about_dialog.h"
#include "app/main_dialog.h"
#include "app/refresh_output.h"
#include "app/run_main_dialog.h"
#include "failing_allocator.h"
#include "gui_object_count.h"
#include "res/about_text.h"
#include "res/resource_ids.h"
#include "shell/app_module.h"
#include "test_support.h"

namespace {

using zentrail::drive::TextOf;
using zentrail::test::CountedGuiObjects;
using zentrail::test::GuiObjects;
using zentrail::test::PretendResourceSize;

// Every allocation of a tick refused in turn, with a name and with an empty
// one: the tick keeps the old output or writes the right one, and the timer
// always starts again.
TEST(RefreshOutput, EachAllocationOfATickRefusedInTurnLeavesAWorkingProgram) {
    SKIP_WITHOUT_DISPLAY();
    for (const std::string name : {"abc", ""}) {
        const auto right = [&](const std::string& shown) {
            if (!name.empty()) return shown == "x_1Qafmj";
            // The first MT19937 value of the current second.
            const std::time_t now = std::time(nullptr);
            for (std::time_t second = now - 1; second <= now; ++second) {
                std::mt19937 engine(static_cast<std::uint32_t>(second));
                if (shown == "x_" + std::to_string(engine())) return true;
            }
            return false;
        };
        ScratchWindow dialog;
        for (const auto& [id, text] :
             {std::pair{IDC_TAG_FIELD, "x"}, std::pair{IDC_NAME_FIELD, name.c_str()},
              std::pair{IDC_OUTPUT_FIELD, "old"}}) {
            CreateWindowExA(0, "EDIT", text, WS_CHILD, 0, 0, 100, 20, dialog.get(),
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                            GetModuleHandleA(nullptr), nullptr);
        }
        const HWND output = GetDlgItem(dialog.get(), IDC_OUTPUT_FIELD);
        long refusals = 0;
        for (long n = 1;; ++n) {
            ASSERT_LT(n, 1000) << "a tick should not need this many allocations";
            SetWindowTextA(output, "old");
            bool refused = false;
            {
                const zentrail::test::FailingAllocator limit(n);
                RefreshOutput(dialog.get());  // noexcept: a throw would end the process here
                refused = limit.failed();
            }
            const std::string shown = TextOf(output);
            EXPECT_TRUE(KillTimer(dialog.get(), REFRESH_TIMER_ID)) << "allocation " << n;
            if (!refused) {
                EXPECT_TRUE(right(shown)) << "no refusal, output \"" << shown << "\"";
                break;
            }
            ++refusals;
            // Without its generator or its number, an empty name leaves the
            // bare tag and underscore.
            EXPECT_TRUE(right(shown) || shown == "old" || (name.empty() && shown == "x_"))
                << "allocation " << n << " refused: output \"" << shown << "\"";
        }
        // The generator and the composed output at least.
        EXPECT_LE(2, refusals) << "name \"" << name << "\"";
    }
}

// Another process cannot ask for them under Wine.
TEST(MainDialog, SetsTheProgramsIconsForTheCaptionAndTheTaskList) {
    SKIP_WITHOUT_DISPLAY();
    MainDialog dialog;
    ASSERT_NE(nullptr, dialog.CreateModeless(nullptr, 0));
    EXPECT_NE(0, SendMessageA(dialog.Handle(), WM_GETICON, ICON_BIG, 0));
    EXPECT_NE(0, SendMessageA(dialog.Handle(), WM_GETICON, ICON_SMALL, 0));
}

int g_windowsMade = 0;

LRESULT CALLBACK CountCreations(int code, WPARAM wParam, LPARAM lParam) {
    g_windowsMade += code == HCBT_CREATEWND;
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

BOOL CALLBACK CountWindow(HWND, LPARAM total) {
    ++*reinterpret_cast<long*>(total);
    return TRUE;
}

// The windows of this thread that exist, the links' tooltips among them.
long LiveTopLevelWindows() {
    long count = 0;
    EnumThreadWindows(GetCurrentThreadId(), CountWindow, reinterpret_cast<LPARAM>(&count));
    return count;
}

// The run with a quit message from elsewhere already waiting, as it is, and
// without the loop map or the main template: the process entry's ways to
// nothing.
TEST(RunMainDialog, EndsWithTheQuitCodeOrWithoutAWindowGives0AndLeavesNothing) {
    SKIP_WITHOUT_DISPLAY();
    const HINSTANCE withoutDialogs = GetModuleHandleA("kernel32.dll");
    ASSERT_EQ(nullptr, FindResourceA(withoutDialogs, MAKEINTRESOURCEA(IDD_MAIN), RT_DIALOG));
    ThreadLoopMap* const map = appModule.loops;
    const HINSTANCE instance = appModule.instance;
    for (const int lack : {0, 1, 2}) {
        if (lack == 1) appModule.loops = nullptr;
        if (lack == 2) appModule.instance = withoutDialogs;
        g_windowsMade = 0;
        const long windowsBefore = LiveTopLevelWindows();
        PostQuitMessage(7);
        const HHOOK hook = SetWindowsHookExA(WH_CBT, CountCreations, nullptr, GetCurrentThreadId());
        const int result = RunMainDialog(nullptr, SW_SHOWNOACTIVATE);
        UnhookWindowsHookEx(hook);
        MSG left;
        PeekMessageA(&left, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
        appModule.loops = map;
        appModule.instance = instance;
        EXPECT_EQ(lack == 0 ? 7 : 0, result) << lack;
        EXPECT_EQ(lack == 0, g_windowsMade > 0) << lack;
        EXPECT_EQ(windowsBefore, LiveTopLevelWindows()) << lack << ": a window outlived its run";
        EXPECT_EQ(nullptr, appModule.LoopForThread(GetCurrentThreadId())) << lack;
        EXPECT_EQ(nullptr, appModule.TakeCreation()) << lack << ": a creation left announced";
    }
}

// "2.0.0.1" as the About box's reader writes it: "2 . 0 . 0 . 1".
std::string SpacedVersion() {
    std::string spaced;
    for (const char c : std::string(ZENTRAIL_VERSION))
        spaced += c == '.' ? " . " : std::string(1, c);
    return spaced;
}

TEST(ReadVersionText, ReadsTheFileVersionAndNothingFromAResourceTooShortForIt) {
    const HMODULE own = GetModuleHandleA(nullptr);
    const long whole = 40 + sizeof(VS_FIXEDFILEINFO);
    for (const long size : {0L, whole - 1, whole, -1L}) {
        PretendResourceSize(size);
        std::string text = "v ";
        const bool read = ReadVersionText(text, own);
        PretendResourceSize(-1);
        EXPECT_EQ(size < 0 || size >= whole, read) << size;
        EXPECT_EQ(read ? "v " + SpacedVersion() : "v ", text) << size;
    }
}

// While the About box runs over owner, every 20 ms: answer gets the dialog
// this thread shows (a message box first, if any, then the box) and closes
// it. Not the active window: a test in another process may hold the
// activation.
std::function<void(HWND)> g_answer;

BOOL CALLBACK FindShownDialog(HWND window, LPARAM found) {
    if (!IsWindowVisible(window) || zentrail::drive::ClassOf(window) != "#32770") return TRUE;
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
}

void CALLBACK AnswerShown(HWND, UINT, UINT_PTR, DWORD) {
    HWND shown = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindShownDialog, reinterpret_cast<LPARAM>(&shown));
    if (shown != nullptr) g_answer(shown);
}

INT_PTR RunAbout(HWND owner, std::function<void(HWND)> answer) {
    g_answer = std::move(answer);
    const UINT_PTR timer = SetTimer(nullptr, 0, 20, AnswerShown);
    AboutDialog about;
    const INT_PTR result = about.RunModal(owner, 0);
    KillTimer(nullptr, timer);
    return result;
}

bool IsAboutBox(HWND window) { return GetDlgItem(window, IDC_WEBLOG_LINK) != nullptr; }

// The version text and the three link lines' texts and notify styles.
std::string AboutTexts(HWND box) {
    std::string texts = TextOf(GetDlgItem(box, IDC_VERSION_TEXT));
    for (const int id : {IDC_WEBLOG_LINK, IDC_BOOKLOG_LINK, IDC_SHOP_LINK}) {
        const HWND line = GetDlgItem(box, id);
        texts += (GetWindowLongA(line, GWL_STYLE) & SS_NOTIFY ? "|*" : "|") + TextOf(line);
    }
    return texts;
}

TEST(AboutBox, WithoutAVersionSaysSoThenOpensWithItsTemplateTexts) {
    SKIP_WITHOUT_DISPLAY();
    ScratchWindow owner(WS_OVERLAPPEDWINDOW);
    std::string said;
    std::string shown;
    PretendResourceSize(0);
    RunAbout(owner.get(), [&](HWND box) {
        if (IsAboutBox(box)) {
            shown = AboutTexts(box);
            PostMessageA(box, WM_COMMAND, IDCANCEL, 0);
            return;
        }
        for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
            if (TextOf(child) == "failed get version") said = shown.empty() ? "before" : "after";
        PostMessageA(box, WM_COMMAND, IDOK, 0);
    });
    PretendResourceSize(-1);
    EXPECT_EQ("before", said) << "the message must come before the box";
    EXPECT_EQ("Zentrail Version 1.0\nCopyright (C) 2011|Static|Static|Static", shown);
}

constexpr int kCycles = 20;

// Inside the box's modal loop: hover over a link every other cycle, then
// close the box, by OK and by Esc in turn.
void HoverAndClose(HWND box, int cycle) {
    if (!IsAboutBox(box)) return;
    if (cycle % 2 == 0) {
        const HWND link = GetDlgItem(box, IDC_WEBLOG_LINK);
        RECT area{};
        GetClientRect(link, &area);
        SendMessageA(link, WM_MOUSEMOVE, 0, MAKELPARAM(area.right * 3 / 4, area.bottom / 2));
        SendMessageA(link, WM_SETCURSOR, reinterpret_cast<WPARAM>(link),
                     MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    }
    PostMessageA(box, WM_COMMAND, cycle % 2 == 0 ? IDOK : IDCANCEL, 0);
}

INT_PTR CALLBACK CloseAtOnce(HWND box, UINT message, WPARAM, LPARAM) {
    if (message == WM_INITDIALOG) PostMessageA(box, WM_COMMAND, IDOK, 0);
    if (message == WM_COMMAND) EndDialog(box, IDOK);
    return message == WM_INITDIALOG || message == WM_COMMAND;
}

// Runs the box cycles times; the heap bytes gained.
long long HeapGrowthOver(int cycles, const std::function<void(int)>& cycle) {
    const SIZE_T before = zentrail::drive::HeapBytesInUse(false);
    for (int i = 0; i < cycles; ++i) cycle(i);
    return static_cast<long long>(zentrail::drive::HeapBytesInUse(false)) -
           static_cast<long long>(before);
}

// Some Wine versions keep a little of every dialog they make: Wine 8.0's
// comctl32 static frees its 24-byte font record only for icons, so the box's
// five text statics leave 120 bytes. That is the platform's: the program's
// own box, links and all, must keep no more heap than the dialog manager
// alone keeps for the same template, and no font, cursor, window or subclass.
TEST(AboutBoxCycles, ShowTheVersionAndLinksAndLeaveNothingBehind) {
    SKIP_WITHOUT_DISPLAY();
    ScratchWindow owner(WS_OVERLAPPEDWINDOW);
    const auto bare = [&](int) {
        DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_ABOUT), owner.get(),
                        CloseAtOnce, 0);
    };
    // The first runs make what is made once: classes, caches, fonts.
    HeapGrowthOver(kCycles, bare);
    g_windowsMade = 0;
    const HHOOK hook = SetWindowsHookExA(WH_CBT, CountCreations, nullptr, GetCurrentThreadId());
    const GuiObjects before = CountedGuiObjects();
    const long windowsBefore = LiveTopLevelWindows();
    std::string shown;
    const auto program = [&](int cycle) {
        const INT_PTR result = RunAbout(owner.get(), [&](HWND box) {
            if (IsAboutBox(box) && shown.empty()) shown = AboutTexts(box);
            HoverAndClose(box, cycle);
        });
        EXPECT_EQ(cycle % 2 == 0 ? 1 : 2, result) << "cycle " << cycle;
    };
    for (int cycle = 0; cycle < kCycles; ++cycle) {
        program(cycle);
        const GuiObjects after = CountedGuiObjects();
        // Something must have been counted, or the counting is not in force.
        ASSERT_EQ(before.fontsMade + 3 * (cycle + 1), after.fontsMade);
        ASSERT_EQ(before.cursorsMade + 3 * (cycle + 1), after.cursorsMade);
        ASSERT_LT(3 * (cycle + 1), g_windowsMade);
        // The box's own procedure and its three links' subclasses.
        ASSERT_LE(before.codePagesMade + 4 * (cycle + 1), after.codePagesMade);
        EXPECT_EQ(before.fontsLive, after.fontsLive) << "cycle " << cycle;
        EXPECT_EQ(before.cursorsLive, after.cursorsLive) << "cycle " << cycle;
        EXPECT_EQ(before.codePagesLive, after.codePagesLive) << "cycle " << cycle;
        EXPECT_EQ(windowsBefore, LiveTopLevelWindows()) << "cycle " << cycle;
    }
    UnhookWindowsHookEx(hook);
    // Attaching makes each line a link that notifies, with its tagged label.
    EXPECT_EQ("Zentrail Version: " ZENTRAIL_VERSION "\n" ZENTRAIL_COPYRIGHT_LINE
              "|*author weblog : <a>" ZENTRAIL_WEBLOG_SHOWN
              "</a>|*booklog : <a>" ZENTRAIL_BOOKLOG_ADDRESS
              "</a>|*author shop : <a>" ZENTRAIL_SHOP_ADDRESS "</a>",
              shown);
    constexpr int kMeasured = 60;
    const long long bareGrowth = HeapGrowthOver(kMeasured, bare);
    const long long programGrowth = HeapGrowthOver(kMeasured, program);
    // Less than a byte a cycle of slack: a leaked label or link text is more.
    EXPECT_LE(programGrowth, bareGrowth + kMeasured / 2)
        << "over " << kMeasured << " cycles: the About box gained " << programGrowth
        << " heap bytes, a bare dialog of its template " << bareGrowth;
}

}  // namespace
