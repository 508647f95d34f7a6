// The About box run again and again in this process, as the program runs it:
// every font, cursor, window (the links' tooltips among them) and subclass
// that a run makes is gone when the run ends. Counted apart from the code under test
// (see gui_object_count.h).
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>

#include "about/about_dialog.h"
#include "gui_object_count.h"
#include "res/resource_ids.h"
#include "test_support.h"

namespace {

using zentrail::test::CountedGuiObjects;
using zentrail::test::GuiObjects;

constexpr int kCycles = 20;
constexpr UINT kCloseAfterMs = 30;

int g_cycle = 0;

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

// Inside the box's modal loop: hover over a link now and then, then close
// the box, by OK and by Esc in turn.
void CALLBACK CloseTheBox(HWND, UINT, UINT_PTR timer, DWORD) {
    const HWND box = GetActiveWindow();
    if (box == nullptr || GetDlgItem(box, IDC_WEBLOG_LINK) == nullptr) return;
    KillTimer(nullptr, timer);
    if (g_cycle % 2 == 0) {
        const HWND link = GetDlgItem(box, IDC_WEBLOG_LINK);
        RECT area{};
        GetClientRect(link, &area);
        const LPARAM at = MAKELPARAM(area.right * 3 / 4, area.bottom / 2);
        SendMessageA(link, WM_MOUSEMOVE, 0, at);
        SendMessageA(link, WM_SETCURSOR, reinterpret_cast<WPARAM>(link),
                     MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    }
    PostMessageA(box, WM_COMMAND, g_cycle % 2 == 0 ? IDOK : IDCANCEL, 0);
}

// The bytes in use in every heap of the process, by walking them.
SIZE_T BusyHeapBytes() {
    HANDLE heaps[64];
    const DWORD count = GetProcessHeaps(64, heaps);
    SIZE_T busy = 0;
    for (DWORD i = 0; i < count && i < 64; ++i) {
        if (!HeapLock(heaps[i])) continue;
        PROCESS_HEAP_ENTRY entry{};
        while (HeapWalk(heaps[i], &entry)) {
            if ((entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) != 0) busy += entry.cbData;
        }
        HeapUnlock(heaps[i]);
    }
    return busy;
}

INT_PTR CALLBACK CloseAtOnce(HWND box, UINT message, WPARAM, LPARAM) {
    switch (message) {
        case WM_INITDIALOG:
            PostMessageA(box, WM_COMMAND, IDOK, 0);
            return TRUE;
        case WM_COMMAND:
            EndDialog(box, IDOK);
            return TRUE;
        default:
            return FALSE;
    }
}

// Runs the box cycles times; the heap bytes gained.
long long HeapGrowthOver(int cycles, const std::function<void()>& cycle) {
    const SIZE_T before = BusyHeapBytes();
    for (int i = 0; i < cycles; ++i) cycle();
    return static_cast<long long>(BusyHeapBytes()) - static_cast<long long>(before);
}

// Some Wine versions keep a little of every dialog they make: Wine 8.0's
// comctl32 static frees its 24-byte font record only for icons, so the
// box's five text statics leave 120 bytes. That is the platform's. The program's
// own box, links and all, must keep nothing more than the dialog manager
// alone keeps for the same template.
TEST(AboutBoxCycles, KeepNoMoreHeapThanTheDialogManagerAlone) {
    SKIP_WITHOUT_DISPLAY();
    ScratchWindow owner(WS_OVERLAPPEDWINDOW);
    const HINSTANCE instance = GetModuleHandleA(nullptr);
    const auto bare = [&] {
        DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_ABOUT), owner.get(), CloseAtOnce, 0);
    };
    const auto program = [&] {
        SetTimer(nullptr, 0, kCloseAfterMs, CloseTheBox);
        AboutDialog about;
        about.RunModal(owner.get(), 0);
        ++g_cycle;
    };
    g_cycle = 0;
    // The first runs make what is made once: classes, caches, fonts.
    HeapGrowthOver(kCycles, bare);
    HeapGrowthOver(kCycles, program);
    constexpr int kMeasured = 60;
    const long long bareGrowth = HeapGrowthOver(kMeasured, bare);
    const long long programGrowth = HeapGrowthOver(kMeasured, program);
    // Less than a byte a cycle of slack: a leaked label or link text is more.
    EXPECT_LE(programGrowth, bareGrowth + kMeasured / 2)
        << "over " << kMeasured << " cycles: the About box gained " << programGrowth
        << " heap bytes, a bare dialog of its template " << bareGrowth;
}

TEST(AboutBoxCycles, LeaveNoFontCursorWindowOrSubclassBehind) {
    SKIP_WITHOUT_DISPLAY();
    ScratchWindow owner(WS_OVERLAPPEDWINDOW);
    const zentrail::test::WindowCounter windows;
    const GuiObjects before = CountedGuiObjects();
    const long windowsBefore = LiveTopLevelWindows();
    for (g_cycle = 0; g_cycle < kCycles; ++g_cycle) {
        SetTimer(nullptr, 0, kCloseAfterMs, CloseTheBox);
        {
            AboutDialog about;
            const INT_PTR result = about.RunModal(owner.get(), 0);
            EXPECT_EQ(g_cycle % 2 == 0 ? 1 : 2, result) << "cycle " << g_cycle;
        }
        const GuiObjects after = CountedGuiObjects();
        // Something must have been counted, or the counting is not in force.
        ASSERT_EQ(before.fontsMade + 3 * (g_cycle + 1), after.fontsMade);
        ASSERT_EQ(before.cursorsMade + 3 * (g_cycle + 1), after.cursorsMade);
        ASSERT_LT(before.windowsMade + 3 * (g_cycle + 1), after.windowsMade);
        // The box's own procedure and its three links' subclasses.
        ASSERT_LE(before.codePagesMade + 4 * (g_cycle + 1), after.codePagesMade);
        EXPECT_EQ(before.fontsLive, after.fontsLive) << "cycle " << g_cycle;
        EXPECT_EQ(before.cursorsLive, after.cursorsLive) << "cycle " << g_cycle;
        EXPECT_EQ(before.codePagesLive, after.codePagesLive) << "cycle " << g_cycle;
        EXPECT_EQ(windowsBefore, LiveTopLevelWindows()) << "cycle " << g_cycle;
    }
}

}  // namespace
