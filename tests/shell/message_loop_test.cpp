// The shell's plumbing: the module's per-thread state, the message loop and
// window placement.
#include <gtest/gtest.h>

#include <cctype>
#include <map>
#include <string>
#include <thread>
#include <tuple>
#include <utility>
#include <vector>

#include "shell/app_module.h"
#include "shell/message_loop.h"
#include "shell/place_centred.h"
#include "test_support.h"

namespace {

// Distinct, never dereferenced addresses standing for loops and objects.
MessageLoop* LoopNo(std::uintptr_t n) { return reinterpret_cast<MessageLoop*>(n * 16); }
BoundWindow* ObjectNo(std::uintptr_t n) { return reinterpret_cast<BoundWindow*>(n * 16); }

TEST(ThreadLoopMap, KeepsOrderAndDuplicatesAndTheFirstPairWins) {
    ThreadLoopMap map;
    EXPECT_EQ(nullptr, map.Find(5));
    for (DWORD key : {5, 6, 5, 7}) ASSERT_TRUE(map.Insert(key, LoopNo(map.count + 1)));
    EXPECT_EQ(LoopNo(1), map.Find(5));
    EXPECT_EQ(nullptr, map.Find(8));

    EXPECT_TRUE(map.Erase(5));
    EXPECT_EQ((std::vector<DWORD>{6, 5, 7}), std::vector<DWORD>(map.keys, map.keys + map.count));
    EXPECT_EQ((std::vector<MessageLoop*>{LoopNo(2), LoopNo(3), LoopNo(4)}),
              std::vector<MessageLoop*>(map.values, map.values + map.count));
    EXPECT_EQ(LoopNo(3), map.Find(5));
    EXPECT_FALSE(map.Erase(8));

    // The last pair gone leaves no arrays, and the map still takes pairs.
    for (DWORD key : {6, 5, 7}) EXPECT_TRUE(map.Erase(key));
    EXPECT_TRUE(map.keys == nullptr && map.values == nullptr && map.count == 0);
    ASSERT_TRUE(map.Insert(9, LoopNo(9)));
    EXPECT_EQ(LoopNo(9), map.Find(9));
}

// A module of the test's own, so that its lists start empty. A thread takes
// its own newest record first, past another thread's; a cancel unlinks only
// that record.
TEST(ModuleState, EachThreadFindsItsOwnLoopAndTakesItsOwnNewestRecordFirst) {
    ThreadLoopMap map;
    AppModule module;
    module.Initialise(GetModuleHandleA(nullptr));
    module.loops = &map;
    DWORD otherThread = 0;
    ASSERT_TRUE(module.RegisterLoop(LoopNo(1)));
    std::thread([&] {
        otherThread = GetCurrentThreadId();
        module.RegisterLoop(LoopNo(2));
    }).join();
    EXPECT_EQ(LoopNo(1), module.LoopForThread(GetCurrentThreadId()));
    EXPECT_EQ(LoopNo(2), module.LoopForThread(otherThread));
    EXPECT_TRUE(module.UnregisterLoop());
    EXPECT_EQ(nullptr, module.LoopForThread(GetCurrentThreadId()));
    EXPECT_EQ(LoopNo(2), module.LoopForThread(otherThread));
    EXPECT_FALSE(module.UnregisterLoop());

    PendingCreation first, theirs, middle, last, never;
    module.PushCreation(&first, ObjectNo(1));
    std::thread([&] { module.PushCreation(&theirs, ObjectNo(2)); }).join();
    module.PushCreation(&middle, ObjectNo(4));
    module.PushCreation(&last, ObjectNo(3));
    module.CancelCreation(&middle);
    module.CancelCreation(&never);  // not in the list: nothing happens
    std::vector<BoundWindow*> taken;
    for (int i = 0; i < 3; ++i) taken.push_back(module.TakeCreation());
    EXPECT_EQ((std::vector<BoundWindow*>{ObjectNo(3), ObjectNo(1), nullptr}), taken);
    module.loops = nullptr;
    module.Shutdown();
}

// --- The message loop ---------------------------------------------------------------

constexpr UINT kSystemTimer = 0x0118;
// No user activity, then some: what the scripted loop below posts.
constexpr UINT kQuietThenActive[] = {WM_MOUSEMOVE, WM_PAINT, WM_NCMOUSEMOVE, kSystemTimer, WM_APP};

// Logs its letter when asked, as a filter or as an idle task. A filter in
// upper case consumes; a task's first run may add another, which still runs
// in the same pass.
struct Letter : PreDispatchFilter, IdleTask {
    Letter(char name, std::string& into) : letter(name), log(into) {}
    BOOL FilterMessage(MSG*) override {
        log += letter;
        return std::isupper(letter) ? TRUE : FALSE;
    }
    BOOL RunIdle() override {
        log += letter;
        if (then != nullptr) loop->AddIdleTask(std::exchange(then, nullptr));
        return TRUE;
    }
    char letter;
    std::string& log;
    MessageLoop* loop = nullptr;
    IdleTask* then = nullptr;
};

// Filters by letter, in the order they are added: lower case passes, upper
// case consumes, '-' is a null entry; a letter twice is one filter added twice.
TEST(MessageLoopFilters, NewestFirstAndAConsumingFilterEndsTheWalk) {
    const struct {
        std::string added;
        BOOL consumed;
        std::string asked;
    } cases[] = {
        {"abc", FALSE, "cba"}, {"abC", TRUE, "C"},     {"ABc", TRUE, "cB"},
        {"", FALSE, ""},       {"a-ba", FALSE, "aba"},
    };
    for (const auto& c : cases) {
        std::string log;
        std::map<char, Letter> filters;
        MessageLoop loop;
        for (const char letter : c.added) {
            if (letter != '-') filters.try_emplace(letter, letter, log);
            ASSERT_TRUE(loop.AddFilter(letter == '-' ? nullptr : &filters.at(letter)));
        }
        MSG msg{};
        EXPECT_EQ(c.consumed, loop.ApplyFilters(&msg)) << c.added;
        EXPECT_EQ(c.asked, log) << c.added;
    }
}

TEST(MessageLoopIdle, TasksRunOldestFirstAndTheResultIsAlwaysFalse) {
    std::string log;
    MessageLoop loop;
    Letter late('c', log), first('a', log), second('b', log);
    first.loop = &loop;
    first.then = &late;
    for (IdleTask* task : {&first, static_cast<Letter*>(nullptr), &second})
        ASSERT_TRUE(loop.AddIdleTask(task));
    EXPECT_FALSE(loop.RunIdleTasks(0));
    EXPECT_EQ("abc", log);
}

TEST(MessageLoopIdle, OnlyMessagesOutsideTheFourRestartIdleProcessing) {
    const UINT messages[] = {WM_MOUSEMOVE, WM_PAINT, WM_NCMOUSEMOVE, kSystemTimer, WM_TIMER,
                             WM_KEYDOWN,   WM_CHAR,  WM_NULL,        WM_APP};
    for (const UINT& message : messages) {
        const MSG msg{nullptr, message, 0, 0, 0, {}};
        EXPECT_EQ(&message - messages >= 4, MessageLoop::RestartsIdle(&msg) != FALSE) << message;
    }
}

// Logs the idle passes ("idle" + count) and the thread messages, which it
// consumes: the first pass wants another, the second posts messages of no
// user activity and then one of some, and the next idle period quits.
struct ScriptedLoop : MessageLoop, PreDispatchFilter {
    BOOL FilterMessage(MSG* message) override {
        if (message->hwnd == nullptr) log.push_back("m" + std::to_string(message->message));
        return TRUE;
    }
    BOOL RunIdleTasks(int idleCount) override {
        log.push_back("idle" + std::to_string(idleCount));
        if (log.size() > 2) {
            PostQuitMessage(7);
        } else if (idleCount == 1) {
            for (UINT m : kQuietThenActive) PostThreadMessageA(GetCurrentThreadId(), m, 0, 0);
        }
        return idleCount == 0;
    }
    std::vector<std::string> log;
};

TEST(MessageLoopPump, IdlePassesCountUpOncePerIdlePeriodAndQuitGivesTheResult) {
    std::vector<std::string> log;
    int result = -1;
    std::thread([&] {
        ScriptedLoop loop;
        loop.AddFilter(&loop);
        result = loop.Pump();
        log = loop.log;
    }).join();
    EXPECT_EQ(7, result);
    std::vector<std::string> expected = {"idle0", "idle1"};
    for (UINT m : kQuietThenActive) expected.push_back("m" + std::to_string(m));
    expected.push_back("idle0");  // WM_APP, consumed, still began a new idle period
    EXPECT_EQ(expected, log);
}

// Consumes whatever is posted to one window.
struct KeepAway : PreDispatchFilter {
    HWND window = nullptr;
    BOOL FilterMessage(MSG* msg) override { return msg->hwnd == window; }
};

TEST(MessageLoopPump, ConsumedMessagesAreNotDispatched) {
    SKIP_WITHOUT_DISPLAY();
    std::tuple<int, bool, bool> outcome;  // the result; which windows are still there
    std::thread([&] {
        ScratchWindow kept, dispatched;
        KeepAway filter;
        filter.window = kept.get();
        MessageLoop loop;
        loop.AddFilter(&filter);
        // WM_CLOSE, once dispatched, destroys a plain window.
        PostMessageA(kept.get(), WM_CLOSE, 0, 0);
        PostMessageA(dispatched.get(), WM_CLOSE, 0, 0);
        PostQuitMessage(5);
        outcome = {loop.Pump(), IsWindow(kept.get()) != FALSE, IsWindow(dispatched.get()) != FALSE};
    }).join();
    EXPECT_EQ(std::make_tuple(5, true, false), outcome);
}

// --- Placement ---------------------------------------------------------------------

// Box, target and area as {left, top, right, bottom}, and where the box goes.
TEST(CentredPosition, CentresThenPullsTheNearEdgeInside) {
    const RECT screen{0, 0, 1024, 738};
    const struct {
        RECT box, target, area;
        POINT expected;
    } cases[] = {
        {{0, 0, 300, 200}, screen, screen, {362, 269}},
        {{500, 400, 800, 600}, screen, screen, {362, 269}},  // its own place does not count
        {{0, 0, 301, 201}, screen, screen, {362, 269}},
        // (-101 + 0) / 2 is -50, not -51; 11 / 2 is 5.
        {{0, 0, 11, 11}, {-101, -101, 0, 0}, {-1000, -1000, 1000, 1000}, {-55, -55}},
        {{0, 0, 100, 100}, {-200, -300, 0, 0}, screen, {0, 0}},
        {{0, 0, 200, 100}, {900, 700, 1100, 800}, screen, {824, 638}},
        // Too big: the near edge wins and the far edge stays outside.
        {{0, 0, 1100, 800}, screen, screen, {0, 0}},
        {{0, 0, 1100, 100}, {2000, 0, 2200, 100}, screen, {-76, 0}},
        {{0, 0, 100, 50}, {0, 0, 100, 100}, {200, 300, 800, 700}, {200, 300}},
    };
    for (const auto& c : cases) {
        const POINT at = CentredPosition(c.box, c.target, c.area);
        EXPECT_EQ(std::make_pair(c.expected.x, c.expected.y), std::make_pair(at.x, at.y))
            << &c - cases;
    }
}

// A window's top-left corner in the client coordinates of in, or on the screen.
std::pair<LONG, LONG> TopLeft(HWND window, HWND in = nullptr) {
    RECT box{};
    GetWindowRect(window, &box);
    MapWindowPoints(nullptr, in, reinterpret_cast<POINT*>(&box), 1);
    return {box.left, box.top};
}

TEST(PlaceWindowCentred, CentresOverAVisibleOwnerElseOnTheWorkArea) {
    SKIP_WITHOUT_DISPLAY();
    const RECT ownerPlace{100, 100, 500, 400};
    RECT workArea{};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &workArea, 0);
    // ShowWindow command for the owner; -1 leaves it hidden. No owner at all
    // is the last case.
    for (const int show : {SW_SHOWNOACTIVATE, -1, SW_SHOWMINNOACTIVE, -2}) {
        ScratchWindow owner(WS_POPUP | WS_CAPTION, nullptr, ownerPlace);
        if (show >= 0) ShowWindow(owner.get(), show);
        ScratchWindow owned(WS_POPUP, show == -2 ? nullptr : owner.get(), RECT{3, 5, 203, 105});
        EXPECT_TRUE(PlaceWindowCentred(owned.get(), nullptr));
        const RECT t = show == SW_SHOWNOACTIVATE ? ownerPlace : workArea;
        EXPECT_EQ(std::make_pair((t.left + t.right) / 2 - 100, (t.top + t.bottom) / 2 - 50),
                  TopLeft(owned.get()))
            << show;
    }
}

TEST(PlaceWindowCentred, AWindowToCentreOnWinsAndAChildGoesIntoItsParentsClientArea) {
    SKIP_WITHOUT_DISPLAY();
    ScratchWindow owner(WS_POPUP | WS_VISIBLE, nullptr, RECT{500, 400, 700, 600});
    ScratchWindow other(WS_POPUP | WS_VISIBLE, nullptr, RECT{200, 150, 400, 350});
    ScratchWindow window(WS_POPUP, owner.get(), RECT{0, 0, 100, 60});
    EXPECT_TRUE(PlaceWindowCentred(window.get(), other.get()));
    EXPECT_EQ(std::make_pair(250L, 220L), TopLeft(window.get()));

    ScratchWindow parent(WS_POPUP | WS_CAPTION, nullptr, RECT{50, 60, 450, 360});
    ScratchWindow child(WS_CHILD, parent.get(), RECT{0, 0, 100, 40});
    EXPECT_TRUE(PlaceWindowCentred(child.get(), nullptr));
    RECT client{};
    GetClientRect(parent.get(), &client);
    EXPECT_EQ(std::make_pair(client.right / 2 - 50, client.bottom / 2 - 20),
              TopLeft(child.get(), parent.get()));
}

}  // namespace
