// The main run in this process: how it ends, and what it leaves behind.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "in_process.h"
#include "res/resource_ids.h"
#include "shell/app_module.h"
#include "shell/run_main_dialog.h"

namespace {

bool IsDialog(HWND window) {
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    return std::string(name) == "#32770";
}

class RunMainDialogTest : public ::testing::Test {
  protected:
    void SetUp() override {
        SKIP_WITHOUT_DISPLAY();
        ASSERT_EQ(nullptr, appModule.LoopForThread(GetCurrentThreadId()));
    }
    void TearDown() override {
        EXPECT_EQ(nullptr, appModule.LoopForThread(GetCurrentThreadId()))
            << "the loop stayed registered";
        EXPECT_EQ(nullptr, appModule.TakeCreation()) << "a creation stayed announced";
    }

    // Runs the main dialog; created collects every window the run made,
    // dialogs those that were dialogs.
    int Run(std::vector<HWND>& created, std::vector<HWND>* dialogs = nullptr) {
        WindowWatch watch([&](HWND window) {
            created.push_back(window);
            if (dialogs != nullptr && IsDialog(window)) dialogs->push_back(window);
        });
        return RunMainDialog(nullptr, SW_SHOWNOACTIVATE);
    }
};

TEST_F(RunMainDialogTest, CloseEndsTheRunWith2) {
    std::vector<HWND> created;
    std::vector<HWND> dialogs;
    bool closed = false;
    Ticker closer(20, [&] {
        if (!closed && !dialogs.empty() && IsWindowVisible(dialogs[0])) {
            PostMessageA(dialogs[0], WM_COMMAND, IDCANCEL, 0);
            closed = true;
        }
    });
    EXPECT_EQ(2, Run(created, &dialogs));
    EXPECT_TRUE(closed);
    ASSERT_EQ(1u, dialogs.size());
    EXPECT_FALSE(IsWindow(dialogs[0]));
}

TEST_F(RunMainDialogTest, QuitFromElsewhereEndsTheRunWithItsCodeAndTheWindow) {
    // Already waiting when the loop starts.
    PostQuitMessage(7);
    std::vector<HWND> created;
    std::vector<HWND> dialogs;
    EXPECT_EQ(7, Run(created, &dialogs));
    ASSERT_EQ(1u, dialogs.size());
    EXPECT_FALSE(IsWindow(dialogs[0])) << "the main dialog's window outlived its object";
}

TEST_F(RunMainDialogTest, WithoutAMapNoWindowIsMadeAndTheRunGives0) {
    ThreadLoopMap* const map = appModule.loops;
    appModule.loops = nullptr;
    std::vector<HWND> created;
    const int result = Run(created);
    appModule.loops = map;
    EXPECT_EQ(0, result);
    EXPECT_TRUE(created.empty()) << created.size() << " windows were made";
}

}  // namespace
