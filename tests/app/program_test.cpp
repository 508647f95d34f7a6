// Zentrail's pieces in this process, with its resources, for what the
// end-to-end tests cannot reach or see: failing ticks, the run's ends, the
// version resource, and what the About box shows and leaves behind.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <ctime>
#include <functional>
#include <random>
#include <regex>
#include <set>
#include <string>

#include "about/about_dialog.h"
#include "app/main_dialog.h"
#include "app/refresh_output.h"
#include "app/run_main_dialog.h"
#include "failing_allocator.h"
#include "res/about_text.h"
#include "res/resource_ids.h"
#include "shell/app_module.h"
#include "test_support.h"

// Fonts, cursors and code pages (each subclass and dialog procedure runs
// through code in a page of its own) that the code under test made and has
// not given back: ld's --wrap routes its calls of the system's functions
// through here, with nothing of that code changed or trusted. The size of a
// resource can be made to look other than it is the same way. Where C names
// take a leading underscore (i686), ld adds one to both names it makes.
#if defined(__x86_64__)
#define SLOT(wrap, name, bytes) wrap "__imp_" #name
#else
#define SLOT(wrap, name, bytes) "_" wrap "_imp__" #name "@" #bytes
#endif
// Each wrapped function: the system's own, and the one of this file it
// goes through instead.
#define WRAP(name, bytes, mine)                                              \
    extern "C" decltype(&name) real##name asm(SLOT("__real_", name, bytes)); \
    static decltype(name) mine;                                              \
    decltype(&name) wrap##name asm(SLOT("__wrap_", name, bytes)) = mine;
WRAP(CreateFontIndirectA, 4, MakeFont)
WRAP(DeleteObject, 4, FreeObject)
WRAP(CreateCursor, 28, MakeCursor)
WRAP(DestroyCursor, 4, FreeCursor)
WRAP(VirtualAlloc, 16, MakePages)
WRAP(VirtualFree, 12, FreePages)
WRAP(SizeofResource, 8, ResourceSize)

static std::set<const void*> g_live;
static long g_resourceSize = -1;  // -1: the real one

template <class Handle>
static Handle Made(Handle made) {
    if (made != nullptr) g_live.insert(made);
    return made;
}

static BOOL Freed(const void* object, BOOL freed) {
    if (freed) g_live.erase(object);
    return freed;
}

static HFONT WINAPI MakeFont(const LOGFONTA* font) { return Made(realCreateFontIndirectA(font)); }
static BOOL WINAPI FreeObject(HGDIOBJ object) { return Freed(object, realDeleteObject(object)); }
static HCURSOR WINAPI MakeCursor(HINSTANCE instance, int x, int y, int cx, int cy,
                                 const void* andBits, const void* xorBits) {
    return Made(realCreateCursor(instance, x, y, cx, cy, andBits, xorBits));
}
static BOOL WINAPI FreeCursor(HCURSOR cursor) { return Freed(cursor, realDestroyCursor(cursor)); }
static LPVOID WINAPI MakePages(LPVOID address, SIZE_T size, DWORD type, DWORD protection) {
    void* const made = realVirtualAlloc(address, size, type, protection);
    return address == nullptr ? Made(made) : made;
}
static BOOL WINAPI FreePages(LPVOID address, SIZE_T size, DWORD type) {
    return Freed(type & MEM_RELEASE ? address : nullptr, realVirtualFree(address, size, type));
}
static DWORD WINAPI ResourceSize(HMODULE module, HRSRC resource) {
    const DWORD size = realSizeofResource(module, resource);
    return g_resourceSize < 0 ? size : static_cast<DWORD>(g_resourceSize);
}

namespace {

using zentrail::drive::TextOf;

// The main dialog's icons, which another process cannot ask for under Wine;
// then every allocation of a tick refused in turn, with a name and with an
// empty one: the tick keeps the old output or writes the right one, and the
// timer always starts again.
TEST(MainDialog, HasItsIconsAndATickWithAnAllocationRefusedLeavesItWorking) {
    SKIP_WITHOUT_DISPLAY();
    MainDialog main;
    const HWND dialog = main.CreateModeless(nullptr, 0);
    ASSERT_NE(nullptr, dialog);
    EXPECT_NE(0, SendMessageA(dialog, WM_GETICON, ICON_BIG, 0));
    EXPECT_NE(0, SendMessageA(dialog, WM_GETICON, ICON_SMALL, 0));
    KillTimer(dialog, REFRESH_TIMER_ID);  // each tick below must start it again
    const HWND output = GetDlgItem(dialog, IDC_OUTPUT_FIELD);
    SetDlgItemTextA(dialog, IDC_TAG_FIELD, "x");
    for (const std::string name : {"abc", ""}) {
        // An empty name takes the first MT19937 value of the current second.
        const auto right = [&](const std::string& shown) {
            if (!name.empty()) return shown == "x_1Qafmj";
            const auto now = static_cast<std::uint32_t>(std::time(nullptr));
            return shown == "x_" + std::to_string(std::mt19937(now)()) ||
                   shown == "x_" + std::to_string(std::mt19937(now - 1)());
        };
        SetDlgItemTextA(dialog, IDC_NAME_FIELD, name.c_str());
        long refusals = 0;
        for (long n = 1;; ++n, ++refusals) {
            ASSERT_LT(n, 1000) << "a tick should not need this many allocations";
            SetWindowTextA(output, "old");
            bool refused = false;
            {
                const zentrail::test::FailingAllocator limit(n);
                RefreshOutput(dialog);  // noexcept: a throw would end the process here
                refused = limit.failed();
            }
            const std::string shown = TextOf(output);
            EXPECT_TRUE(KillTimer(dialog, REFRESH_TIMER_ID)) << "allocation " << n;
            // Without its generator or its number, an empty name leaves the
            // bare tag and underscore.
            EXPECT_TRUE(right(shown) ||
                        (refused && (shown == "old" || (name.empty() && shown == "x_"))))
                << "allocation " << n << (refused ? " refused: " : ": ") << shown;
            if (!refused) break;
        }
        // The generator and the composed output at least.
        EXPECT_LE(2, refusals) << "name \"" << name << "\"";
    }
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

// The run with a quit message from elsewhere already waiting, as it is (the
// quit code shows that it pumped), and without the loop map or the main
// template: the process entry's ways to nothing.
TEST(RunMainDialog, EndsWithTheQuitCodeOrWithoutAWindowGives0AndLeavesNothing) {
    SKIP_WITHOUT_DISPLAY();
    const HINSTANCE withoutDialogs = GetModuleHandleA("kernel32.dll");
    ASSERT_EQ(nullptr, FindResourceA(withoutDialogs, MAKEINTRESOURCEA(IDD_MAIN), RT_DIALOG));
    ThreadLoopMap* const map = appModule.loops;
    const HINSTANCE instance = appModule.instance;
    for (const int lack : {0, 1, 2}) {
        if (lack == 1) appModule.loops = nullptr;
        if (lack == 2) appModule.instance = withoutDialogs;
        const long windowsBefore = LiveTopLevelWindows();
        PostQuitMessage(7);
        const int result = RunMainDialog(nullptr, SW_SHOWNOACTIVATE);
        MSG left;
        PeekMessageA(&left, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
        appModule.loops = map;
        appModule.instance = instance;
        EXPECT_EQ(lack == 0 ? 7 : 0, result) << lack;
        EXPECT_EQ(windowsBefore, LiveTopLevelWindows()) << lack << ": a window outlived its run";
        EXPECT_EQ(nullptr, appModule.LoopForThread(GetCurrentThreadId())) << lack;
        EXPECT_EQ(nullptr, appModule.TakeCreation()) << lack << ": a creation left announced";
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

INT_PTR RunAbout(HWND owner, const std::function<void(HWND)>& answer) {
    g_answer = answer;
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

// The reader of the version text first, then the box.
TEST(AboutBox, ReadsTheVersionOrWithoutOneSaysSoThenOpensWithItsTemplateTexts) {
    const HMODULE own = GetModuleHandleA(nullptr);
    const long whole = 40 + sizeof(VS_FIXEDFILEINFO);
    // "2.0.0.1" is "2 . 0 . 0 . 1" there.
    const std::string version = std::regex_replace(ZENTRAIL_VERSION, std::regex("\\."), " . ");
    for (const long size : {0L, whole - 1, whole, -1L}) {
        g_resourceSize = size;
        std::string text = "v ";
        const bool read = ReadVersionText(text, own);
        g_resourceSize = -1;
        EXPECT_EQ(size < 0 || size >= whole, read) << size;
        EXPECT_EQ(read ? "v " + version : "v ", text) << size;
    }
    SKIP_WITHOUT_DISPLAY();
    ScratchWindow owner(WS_OVERLAPPEDWINDOW);
    std::string said, shown;
    g_resourceSize = 0;
    RunAbout(owner.get(), [&](HWND box) {
        const bool about = IsAboutBox(box);
        if (about) shown = AboutTexts(box);
        if (!about && FindWindowExA(box, nullptr, "Static", "failed get version"))
            said = shown.empty() ? "before" : "after";
        PostMessageA(box, WM_COMMAND, about ? IDCANCEL : IDOK, 0);
    });
    g_resourceSize = -1;
    EXPECT_EQ("before", said) << "the message must come before the box";
    EXPECT_EQ("Zentrail Version 1.0\nCopyright (C) 2011|Static|Static|Static", shown);
}

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
    if (message == WM_INITDIALOG) return PostMessageA(box, WM_COMMAND, IDOK, 0);
    return message == WM_COMMAND && EndDialog(box, IDOK);
}

// Runs the box cycles times; the heap bytes gained.
long long HeapGrowthOver(int cycles, const std::function<void(int)>& cycle) {
    const long long before = zentrail::drive::HeapBytesInUse(false);
    for (int i = 0; i < cycles; ++i) cycle(i);
    return static_cast<long long>(zentrail::drive::HeapBytesInUse(false)) - before;
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
    HeapGrowthOver(20, bare);
    const std::size_t liveBefore = g_live.size();
    const long windowsBefore = LiveTopLevelWindows();
    std::string shown;
    const auto program = [&](int cycle) {
        const INT_PTR result = RunAbout(owner.get(), [&](HWND box) {
            // Three fonts and cursors, the pages of the box's own procedure
            // and of its three links' subclasses: the counting is in force.
            if (IsAboutBox(box)) {
                EXPECT_LE(liveBefore + 10, g_live.size());
                if (shown.empty()) shown = AboutTexts(box);
            }
            HoverAndClose(box, cycle);
        });
        EXPECT_EQ(cycle % 2 == 0 ? 1 : 2, result) << "cycle " << cycle;
    };
    for (int cycle = 0; cycle < 20; ++cycle) {
        program(cycle);
        EXPECT_EQ(liveBefore, g_live.size()) << "fonts, cursors or pages left, cycle " << cycle;
        EXPECT_EQ(windowsBefore, LiveTopLevelWindows()) << "cycle " << cycle;
    }
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
