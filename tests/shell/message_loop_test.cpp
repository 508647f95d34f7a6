#include "shell/message_loop.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "test_support.h"

namespace {

constexpr UINT kSystemTimer = 0x0118;

// Writes its name into a shared log when asked; consumes when told to.
class NamedFilter : public PreDispatchFilter {
  public:
    NamedFilter(std::string name, std::vector<std::string>& log, BOOL consumes = FALSE)
        : name_(std::move(name)), log_(log), consumes_(consumes) {}
    BOOL FilterMessage(MSG*) override {
        log_.push_back(name_);
        return consumes_;
    }

  private:
    std::string name_;
    std::vector<std::string>& log_;
    BOOL consumes_;
};

TEST(MessageLoopFilters, NewestFirstAndAConsumingFilterEndsTheWalk) {
    struct Case {
        const char* what;
        std::vector<BOOL> consumes;  // per filter, in the order they are added
        BOOL expected;
        std::vector<std::string> asked;
    };
    const Case cases[] = {
        {"nobody consumes", {FALSE, FALSE, FALSE}, FALSE, {"2", "1", "0"}},
        {"newest consumes", {FALSE, FALSE, TRUE}, TRUE, {"2"}},
        {"middle consumes", {TRUE, TRUE, FALSE}, TRUE, {"2", "1"}},
        {"no filters", {}, FALSE, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<std::string> log;
        std::vector<NamedFilter> filters;
        filters.reserve(c.consumes.size());
        MessageLoop loop;
        for (std::size_t i = 0; i < c.consumes.size(); ++i) {
            filters.emplace_back(std::to_string(i), log, c.consumes[i]);
            ASSERT_TRUE(loop.AddFilter(&filters.back()));
        }
        MSG msg{};
        EXPECT_EQ(c.expected, loop.ApplyFilters(&msg));
        EXPECT_EQ(c.asked, log);
    }
}

TEST(MessageLoopFilters, NullEntriesAreSkippedAndDuplicatesAskedTwice) {
    std::vector<std::string> log;
    NamedFilter a("a", log), b("b", log);
    MessageLoop loop;
    ASSERT_TRUE(loop.AddFilter(&a));
    ASSERT_TRUE(loop.AddFilter(nullptr));
    ASSERT_TRUE(loop.AddFilter(&b));
    ASSERT_TRUE(loop.AddFilter(&a));
    MSG msg{};
    EXPECT_FALSE(loop.ApplyFilters(&msg));
    EXPECT_EQ((std::vector<std::string>{"a", "b", "a"}), log);
}

// Runs in registration order, may add a task that still runs in the same pass.
class ListedTask : public IdleTask {
  public:
    ListedTask(std::string name, std::vector<std::string>& log, MessageLoop* addTo = nullptr,
               IdleTask* toAdd = nullptr)
        : name_(std::move(name)), log_(log), addTo_(addTo), toAdd_(toAdd) {}
    BOOL RunIdle() override {
        log_.push_back(name_);
        if (addTo_ != nullptr) {
            addTo_->AddIdleTask(toAdd_);
            addTo_ = nullptr;
        }
        return TRUE;
    }

  private:
    std::string name_;
    std::vector<std::string>& log_;
    MessageLoop* addTo_;
    IdleTask* toAdd_;
};

TEST(MessageLoopIdle, TasksRunOldestFirstAndTheResultIsAlwaysFalse) {
    std::vector<std::string> log;
    MessageLoop loop;
    ListedTask late("late", log);
    ListedTask first("first", log, &loop, &late);
    ListedTask second("second", log);
    ASSERT_TRUE(loop.AddIdleTask(&first));
    ASSERT_TRUE(loop.AddIdleTask(nullptr));
    ASSERT_TRUE(loop.AddIdleTask(&second));
    EXPECT_FALSE(loop.RunIdleTasks(0));
    EXPECT_EQ((std::vector<std::string>{"first", "second", "late"}), log);
}

TEST(MessageLoopIdle, OnlyMessagesOutsideTheFourRestartIdleProcessing) {
    const UINT quiet[] = {WM_PAINT, WM_NCMOUSEMOVE, kSystemTimer, WM_MOUSEMOVE};
    const UINT active[] = {WM_TIMER,   WM_KEYDOWN, WM_CHAR, WM_LBUTTONDOWN,
                           WM_COMMAND, WM_NULL,    WM_APP};
    for (UINT message : quiet) {
        const MSG msg{nullptr, message, 0, 0, 0, {}};
        EXPECT_FALSE(MessageLoop::RestartsIdle(&msg)) << message;
    }
    for (UINT message : active) {
        const MSG msg{nullptr, message, 0, 0, 0, {}};
        EXPECT_TRUE(MessageLoop::RestartsIdle(&msg)) << message;
    }
}

// Logs the thread messages it sees ("m" + number) and consumes them all, so
// nothing is dispatched; the idle task logs "idle" and drives the script.
class ScriptedThread : public PreDispatchFilter, public IdleTask {
  public:
    BOOL FilterMessage(MSG* msg) override {
        if (msg->hwnd == nullptr) log.push_back("m" + std::to_string(msg->message));
        return TRUE;
    }
    BOOL RunIdle() override {
        log.push_back("idle");
        ++idleRuns;
        if (idleRuns == 1) {
            // Four messages that are no activity, then one that is.
            for (UINT m :
                 {UINT{WM_MOUSEMOVE}, UINT{WM_PAINT}, UINT{WM_NCMOUSEMOVE}, kSystemTimer}) {
                PostThreadMessageA(GetCurrentThreadId(), m, 0, 0);
            }
            PostThreadMessageA(GetCurrentThreadId(), WM_APP, 0, 0);
        } else {
            PostQuitMessage(7);
        }
        return TRUE;
    }

    std::vector<std::string> log;
    int idleRuns = 0;
};

TEST(MessageLoopPump, IdleRunsOncePerIdlePeriodAndQuitGivesTheResult) {
    ScriptedThread script;
    int result = -1;
    ASSERT_TRUE(RunOnThread([&] {
        MessageLoop loop;
        loop.AddFilter(&script);
        loop.AddIdleTask(&script);
        result = loop.Pump();
    }));
    EXPECT_EQ(7, result);
    const std::vector<std::string> expected = {
        "idle",
        "m" + std::to_string(WM_MOUSEMOVE),
        "m" + std::to_string(WM_PAINT),
        "m" + std::to_string(WM_NCMOUSEMOVE),
        "m" + std::to_string(kSystemTimer),
        "m" + std::to_string(WM_APP),  // consumed, and still wakes the idle tasks
        "idle",
    };
    EXPECT_EQ(expected, script.log);
}

// Asks for more idle time twice, then quits.
class CountingLoop : public MessageLoop {
  public:
    BOOL RunIdleTasks(int idleCount) override {
        counts.push_back(idleCount);
        if (idleCount < 2) return TRUE;
        PostQuitMessage(3);
        return FALSE;
    }
    std::vector<int> counts;
};

TEST(MessageLoopPump, IdleCountGrowsWhileTheTasksWantMore) {
    std::vector<int> counts;
    int result = -1;
    ASSERT_TRUE(RunOnThread([&] {
        CountingLoop loop;
        result = loop.Pump();
        counts = loop.counts;
    }));
    EXPECT_EQ(3, result);
    EXPECT_EQ((std::vector<int>{0, 1, 2}), counts);
}

// A window whose procedure counts what was dispatched to it.
std::vector<UINT>* g_dispatched = nullptr;

LRESULT CALLBACK CountingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message >= WM_APP && g_dispatched != nullptr) g_dispatched->push_back(message);
    return DefWindowProcA(window, message, wParam, lParam);
}

class ConsumeOne : public PreDispatchFilter {
  public:
    BOOL FilterMessage(MSG* msg) override { return msg->message == WM_APP + 1; }
};

TEST(MessageLoopPump, ConsumedMessagesAreNotDispatched) {
    std::vector<UINT> dispatched;
    int result = -1;
    ASSERT_TRUE(RunOnThread([&] {
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = CountingProc;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "ZentrailCountingWindow";
        RegisterClassA(&windowClass);
        const HWND window =
            CreateWindowExA(0, windowClass.lpszClassName, "", WS_POPUP, 0, 0, 10, 10, HWND_MESSAGE,
                            nullptr, windowClass.hInstance, nullptr);
        g_dispatched = &dispatched;
        ConsumeOne filter;
        MessageLoop loop;
        loop.AddFilter(&filter);
        PostMessageA(window, WM_APP, 0, 0);
        PostMessageA(window, WM_APP + 1, 0, 0);
        PostMessageA(window, WM_APP + 2, 0, 0);
        PostQuitMessage(5);
        result = loop.Pump();
        g_dispatched = nullptr;
        DestroyWindow(window);
        UnregisterClassA(windowClass.lpszClassName, windowClass.hInstance);
    }));
    EXPECT_EQ(5, result);
    EXPECT_EQ((std::vector<UINT>{WM_APP, WM_APP + 2}), dispatched);
}

}  // namespace
