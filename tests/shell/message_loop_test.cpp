#include "shell/message_loop.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "test_support.h"

namespace {

constexpr UINT kSystemTimer = 0x0118;
// No user activity, then some: what the scripted thread below posts.
constexpr UINT kQuietThenActive[] = {WM_MOUSEMOVE, WM_PAINT, WM_NCMOUSEMOVE, kSystemTimer, WM_APP};

// Logs its name when asked, and consumes when told to.
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
        std::vector<BOOL> consumes;  // per filter, in the order they are added
        BOOL expected;
        std::vector<std::string> asked;
    };
    const Case cases[] = {
        {{FALSE, FALSE, FALSE}, FALSE, {"2", "1", "0"}},
        {{FALSE, FALSE, TRUE}, TRUE, {"2"}},
        {{TRUE, TRUE, FALSE}, TRUE, {"2", "1"}},
        {{}, FALSE, {}},
    };
    for (const Case& c : cases) {
        std::vector<std::string> log;
        std::vector<NamedFilter> filters;
        filters.reserve(c.consumes.size());
        MessageLoop loop;
        for (std::size_t i = 0; i < c.consumes.size(); ++i) {
            filters.emplace_back(std::to_string(i), log, c.consumes[i]);
            ASSERT_TRUE(loop.AddFilter(&filters.back()));
        }
        MSG msg{};
        EXPECT_EQ(c.expected, loop.ApplyFilters(&msg)) << c.consumes.size();
        EXPECT_EQ(c.asked, log);
    }
}

TEST(MessageLoopFilters, NullEntriesAreSkippedAndDuplicatesAskedTwice) {
    std::vector<std::string> log;
    NamedFilter a("a", log), b("b", log);
    MessageLoop loop;
    for (PreDispatchFilter* filter : {&a, static_cast<NamedFilter*>(nullptr), &b, &a}) {
        ASSERT_TRUE(loop.AddFilter(filter));
    }
    MSG msg{};
    EXPECT_FALSE(loop.ApplyFilters(&msg));
    EXPECT_EQ((std::vector<std::string>{"a", "b", "a"}), log);
}

// Logs its name; the first run may add a task, which still runs in the pass.
class ListedTask : public IdleTask {
  public:
    ListedTask(std::string name, std::vector<std::string>& log, MessageLoop* loop = nullptr,
               IdleTask* toAdd = nullptr)
        : name_(std::move(name)), log_(log), loop_(loop), toAdd_(toAdd) {}
    BOOL RunIdle() override {
        log_.push_back(name_);
        if (loop_ != nullptr) loop_->AddIdleTask(toAdd_);
        loop_ = nullptr;
        return TRUE;
    }

  private:
    std::string name_;
    std::vector<std::string>& log_;
    MessageLoop* loop_;
    IdleTask* toAdd_;
};

TEST(MessageLoopIdle, TasksRunOldestFirstAndTheResultIsAlwaysFalse) {
    std::vector<std::string> log;
    MessageLoop loop;
    ListedTask late("late", log);
    ListedTask first("first", log, &loop, &late);
    ListedTask second("second", log);
    for (IdleTask* task : {&first, static_cast<ListedTask*>(nullptr), &second}) {
        ASSERT_TRUE(loop.AddIdleTask(task));
    }
    EXPECT_FALSE(loop.RunIdleTasks(0));
    EXPECT_EQ((std::vector<std::string>{"first", "second", "late"}), log);
}

TEST(MessageLoopIdle, OnlyMessagesOutsideTheFourRestartIdleProcessing) {
    for (UINT message : {UINT{WM_PAINT}, UINT{WM_NCMOUSEMOVE}, kSystemTimer, UINT{WM_MOUSEMOVE}}) {
        const MSG msg{nullptr, message, 0, 0, 0, {}};
        EXPECT_FALSE(MessageLoop::RestartsIdle(&msg)) << message;
    }
    for (UINT message : {WM_TIMER, WM_KEYDOWN, WM_CHAR, WM_LBUTTONDOWN, WM_NULL, WM_APP}) {
        const MSG msg{nullptr, message, 0, 0, 0, {}};
        EXPECT_TRUE(MessageLoop::RestartsIdle(&msg)) << message;
    }
}

// Logs the thread messages it sees ("m" + number) and consumes them all; the
// idle task logs "idle" and drives the script.
class ScriptedThread : public PreDispatchFilter, public IdleTask {
  public:
    BOOL FilterMessage(MSG* msg) override {
        if (msg->hwnd == nullptr) log.push_back("m" + std::to_string(msg->message));
        return TRUE;
    }
    BOOL RunIdle() override {
        log.push_back("idle");
        if (++idleRuns > 1) {
            PostQuitMessage(7);
            return TRUE;
        }
        for (UINT m : kQuietThenActive) PostThreadMessageA(GetCurrentThreadId(), m, 0, 0);
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
    std::vector<std::string> expected = {"idle"};
    for (UINT m : kQuietThenActive) expected.push_back("m" + std::to_string(m));
    expected.push_back("idle");  // WM_APP, consumed, still woke the idle tasks
    EXPECT_EQ(expected, script.log);
}

// Asks for more idle time twice, then quits.
class CountingLoop : public MessageLoop {
  public:
    BOOL RunIdleTasks(int idleCount) override {
        counts.push_back(idleCount);
        if (idleCount == 2) PostQuitMessage(3);
        return idleCount < 2;
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

// Consumes whatever is posted to one window.
struct KeepAway : PreDispatchFilter {
    HWND window = nullptr;
    BOOL FilterMessage(MSG* msg) override { return msg->hwnd == window; }
};

TEST(MessageLoopPump, ConsumedMessagesAreNotDispatched) {
    SKIP_WITHOUT_DISPLAY();
    bool keptAlive = false, closed = false;
    int result = -1;
    ASSERT_TRUE(RunOnThread([&] {
        ScratchWindow kept, dispatched;
        KeepAway filter;
        filter.window = kept.get();
        MessageLoop loop;
        loop.AddFilter(&filter);
        // WM_CLOSE, once dispatched, destroys a plain window.
        PostMessageA(kept.get(), WM_CLOSE, 0, 0);
        PostMessageA(dispatched.get(), WM_CLOSE, 0, 0);
        PostQuitMessage(5);
        result = loop.Pump();
        keptAlive = IsWindow(kept.get());
        closed = !IsWindow(dispatched.get());
    }));
    EXPECT_EQ(5, result);
    EXPECT_TRUE(keptAlive);
    EXPECT_TRUE(closed);
}

}  // namespace
