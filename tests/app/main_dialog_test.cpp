// The program's pieces in this process, for what the end-to-end tests cannot
// reach: the window's icons, a refresh that fails, a quit message from
// elsewhere, a missing loop map, version resources the About box must cope
// with.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <tuple>

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
