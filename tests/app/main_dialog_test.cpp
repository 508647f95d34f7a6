// The program's pieces in this process, for what the end-to-end tests cannot
// reach: the window's icons, a refresh that fails, a quit message from
// elsewhere, a missing loop map, version resources the About box must cope
// with.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <utility>

#include "about/about_dialog.h"
#include "allocation_limit.h"
#include "app/main_dialog.h"
#include "app/refresh_output.h"
#include "app/run_main_dialog.h"
#include "res/resource_ids.h"
#include "shell/app_module.h"
#include "test_support.h"

namespace {

using zentrail::drive::TextOf;

// A field whose text can never be had: it reports a length that the heap
// will not give a copy of (a 32-bit process never could; a 64-bit one is
// refused by LargeAllocationsRefused).
LRESULT CALLBACK HugeTextProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_GETTEXTLENGTH) return 0x7FFFFFFF;
    return DefWindowProcA(window, message, wParam, lParam);
}

TEST(RefreshOutput, AFailedTickKeepsTheOldOutputAndRestartsTheTimer) {
    SKIP_WITHOUT_DISPLAY();
    WNDCLASSA hugeText{};
    hugeText.lpfnWndProc = HugeTextProc;
    hugeText.hInstance = GetModuleHandleA(nullptr);
    hugeText.lpszClassName = "ZentrailHugeText";
    ASSERT_NE(0, RegisterClassA(&hugeText));
    ScratchWindow dialog;
    for (const auto& [id, windowClass, text] : {std::tuple{IDC_TAG_FIELD, "EDIT", "x"},
                                                std::tuple{IDC_NAME_FIELD, "ZentrailHugeText", ""},
                                                std::tuple{IDC_OUTPUT_FIELD, "EDIT", "x_1Qafmj"}}) {
        CreateWindowExA(0, windowClass, text, WS_CHILD, 0, 0, 100, 20, dialog.get(),
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), hugeText.hInstance,
                        nullptr);
    }
    {
        const zentrail::test::LargeAllocationsRefused full;
        RefreshOutput(dialog.get());  // noexcept: a throw would end the process here
    }
    EXPECT_EQ("x_1Qafmj", TextOf(GetDlgItem(dialog.get(), IDC_OUTPUT_FIELD)));
    EXPECT_TRUE(KillTimer(dialog.get(), REFRESH_TIMER_ID)) << "the next tick would never come";
}

// Every allocation of a tick refused in turn, with a name and with an empty
// one: the tick either keeps the old output or writes the right one, and the
// timer always starts again.
TEST(RefreshOutput, EachAllocationOfATickRefusedInTurnLeavesAWorkingProgram) {
    SKIP_WITHOUT_DISPLAY();
    for (const auto& [name, wanted] : {std::pair<const char*, const char*>{"abc", "x_1Qafmj"},
                                       std::pair<const char*, const char*>{"", nullptr}}) {
        ScratchWindow dialog;
        for (const auto& [id, text] :
             {std::pair{IDC_TAG_FIELD, "x"}, std::pair{IDC_NAME_FIELD, name},
              std::pair{IDC_OUTPUT_FIELD, "old"}}) {
            CreateWindowExA(0, "EDIT", text, WS_CHILD, 0, 0, 100, 20, dialog.get(),
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                            GetModuleHandleA(nullptr), nullptr);
        }
        const HWND output = GetDlgItem(dialog.get(), IDC_OUTPUT_FIELD);
        long refusedSites = 0;
        for (long n = 1;; ++n) {
            ASSERT_LT(n, 1000) << "a tick should not need this many allocations";
            SetWindowTextA(output, "old");
            bool refused = false;
            {
                const zentrail::test::NthAllocationRefused limit(n);
                RefreshOutput(dialog.get());  // noexcept: a throw would end the process here
                refused = limit.Refused();
            }
            const std::string shown = TextOf(output);
            EXPECT_TRUE(KillTimer(dialog.get(), REFRESH_TIMER_ID)) << "allocation " << n;
            const bool right =
                wanted != nullptr ? shown == wanted : shown.rfind("x_", 0) == 0 && shown.size() > 2;
            if (!refused) {
                EXPECT_TRUE(right) << "no refusal, output \"" << shown << "\"";
                break;
            }
            ++refusedSites;
            // Without its generator or its number, an empty name leaves
            // the bare tag and underscore.
            EXPECT_TRUE(right || shown == "old" || (wanted == nullptr && shown == "x_"))
                << "allocation " << n << " refused: output \"" << shown << "\"";
        }
        // The generator and the composed output at least.
        EXPECT_LE(2, refusedSites) << "name \"" << name << "\"";
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

BOOL CALLBACK CountDialog(HWND window, LPARAM count) {
    *reinterpret_cast<int*>(count) += zentrail::drive::ClassOf(window) == "#32770";
    return TRUE;
}

int g_windowsMade = 0;

LRESULT CALLBACK CountCreations(int code, WPARAM wParam, LPARAM lParam) {
    g_windowsMade += code == HCBT_CREATEWND;
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

class RunMainDialogTest : public ::testing::Test {
  protected:
    void SetUp() override { SKIP_WITHOUT_DISPLAY(); }
    void TearDown() override {
        EXPECT_EQ(nullptr, appModule.LoopForThread(GetCurrentThreadId())) << "loop left registered";
        EXPECT_EQ(nullptr, appModule.TakeCreation()) << "a creation left announced";
    }
};

TEST_F(RunMainDialogTest, QuitFromElsewhereEndsTheRunWithItsCodeAndTakesTheWindow) {
    PostQuitMessage(7);  // already waiting when the loop starts
    EXPECT_EQ(7, RunMainDialog(nullptr, SW_SHOWNOACTIVATE));
    int dialogs = 0;
    EnumThreadWindows(GetCurrentThreadId(), CountDialog, reinterpret_cast<LPARAM>(&dialogs));
    EXPECT_EQ(0, dialogs) << "the main dialog's window outlived its object";
}

TEST_F(RunMainDialogTest, WithoutALoopMapNoWindowIsMadeAndTheRunGives0) {
    ThreadLoopMap* const map = appModule.loops;
    appModule.loops = nullptr;
    const HHOOK hook = SetWindowsHookExA(WH_CBT, CountCreations, nullptr, GetCurrentThreadId());
    const int result = RunMainDialog(nullptr, SW_SHOWNOACTIVATE);
    UnhookWindowsHookEx(hook);
    appModule.loops = map;
    EXPECT_EQ(0, result);
    EXPECT_EQ(0, g_windowsMade);
}

TEST(ReadVersionText, ReadsEachWordUnsignedAndNothingFromAShortResource) {
    const auto load = [](const char* path) {
        return LoadLibraryExA(zentrail::drive::WindowsPath(path).c_str(), nullptr,
                              LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    };
    // File version 40000,0,65535,1; the product version differs on purpose.
    const HMODULE wide = load(VERSION_PROBE_DLL);
    // Shorter than its fixed file information: it must not be read past its end.
    const HMODULE truncated = load(TRUNCATED_VERSION_PROBE_DLL);
    ASSERT_NE(nullptr, wide);
    ASSERT_NE(nullptr, truncated);
    std::string text = "v ";
    EXPECT_TRUE(ReadVersionText(text, wide));
    EXPECT_FALSE(ReadVersionText(text, truncated));
    EXPECT_EQ("v 40000 . 0 . 65535 . 1", text);
    FreeLibrary(wide);
    FreeLibrary(truncated);
}

}  // namespace
