#include "shell/app_module.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "test_support.h"

namespace {

// Distinct, never dereferenced addresses standing for loops and objects.
MessageLoop* LoopNo(std::uintptr_t n) { return reinterpret_cast<MessageLoop*>(n * 16); }
BoundWindow* ObjectNo(std::uintptr_t n) { return reinterpret_cast<BoundWindow*>(n * 16); }

std::vector<DWORD> KeysOf(const ThreadLoopMap& map) {
    return std::vector<DWORD>(map.keys, map.keys + map.count);
}

std::vector<MessageLoop*> ValuesOf(const ThreadLoopMap& map) {
    return std::vector<MessageLoop*>(map.values, map.values + map.count);
}

TEST(ThreadLoopMap, FindsNothingWhenEmptyOrAbsent) {
    ThreadLoopMap map;
    EXPECT_EQ(nullptr, map.Find(7));
    ASSERT_TRUE(map.Insert(7, LoopNo(1)));
    EXPECT_EQ(nullptr, map.Find(8));
    EXPECT_EQ(LoopNo(1), map.Find(7));
}

TEST(ThreadLoopMap, ErasingTheOnlyPairLeavesNoArraysAndInsertStillWorks) {
    ThreadLoopMap map;
    ASSERT_TRUE(map.Insert(7, LoopNo(1)));
    EXPECT_TRUE(map.Erase(7));
    EXPECT_EQ(nullptr, map.keys);
    EXPECT_EQ(nullptr, map.values);
    EXPECT_EQ(0, map.count);
    EXPECT_FALSE(map.Erase(7));

    ASSERT_TRUE(map.Insert(9, LoopNo(2)));
    EXPECT_EQ(1, map.count);
    EXPECT_EQ(LoopNo(2), map.Find(9));
}

TEST(ThreadLoopMap, EraseKeepsTheOrderOfTheOtherPairs) {
    ThreadLoopMap map;
    for (DWORD key = 1; key <= 4; ++key) ASSERT_TRUE(map.Insert(key, LoopNo(key)));
    EXPECT_TRUE(map.Erase(2));
    EXPECT_EQ((std::vector<DWORD>{1, 3, 4}), KeysOf(map));
    EXPECT_EQ((std::vector<MessageLoop*>{LoopNo(1), LoopNo(3), LoopNo(4)}), ValuesOf(map));
    EXPECT_TRUE(map.Erase(4));
    EXPECT_EQ((std::vector<DWORD>{1, 3}), KeysOf(map));
    EXPECT_FALSE(map.Erase(2));
    EXPECT_EQ(2, map.count);
}

TEST(ThreadLoopMap, DuplicateKeysAreKeptAndTheFirstOneWins) {
    ThreadLoopMap map;
    ASSERT_TRUE(map.Insert(5, LoopNo(1)));
    ASSERT_TRUE(map.Insert(6, LoopNo(2)));
    ASSERT_TRUE(map.Insert(5, LoopNo(3)));
    EXPECT_EQ(LoopNo(1), map.Find(5));

    EXPECT_TRUE(map.Erase(5));
    EXPECT_EQ((std::vector<DWORD>{6, 5}), KeysOf(map));
    EXPECT_EQ(LoopNo(3), map.Find(5));
}

// A module of the test's own, so that its lists start empty.
class ModuleState : public ::testing::Test {
  protected:
    void SetUp() override {
        module.Initialise(GetModuleHandleA(nullptr));
        module.loops = &map;
    }
    void TearDown() override {
        module.loops = nullptr;
        module.Shutdown();
    }

    ThreadLoopMap map;
    AppModule module;
};

TEST_F(ModuleState, EachThreadFindsItsOwnLoop) {
    DWORD otherThread = 0;
    ASSERT_TRUE(module.RegisterLoop(LoopNo(1)));
    ASSERT_TRUE(RunOnThread([&] {
        otherThread = GetCurrentThreadId();
        module.RegisterLoop(LoopNo(2));
    }));

    EXPECT_EQ(LoopNo(1), module.LoopForThread(GetCurrentThreadId()));
    EXPECT_EQ(LoopNo(2), module.LoopForThread(otherThread));

    EXPECT_TRUE(module.UnregisterLoop());
    EXPECT_EQ(nullptr, module.LoopForThread(GetCurrentThreadId()));
    EXPECT_EQ(LoopNo(2), module.LoopForThread(otherThread));
    EXPECT_FALSE(module.UnregisterLoop());
}

TEST_F(ModuleState, RegisteringWithoutAMapFails) {
    module.loops = nullptr;
    EXPECT_FALSE(module.RegisterLoop(LoopNo(1)));
    EXPECT_EQ(nullptr, module.LoopForThread(GetCurrentThreadId()));
}

TEST_F(ModuleState, ThreadTakesItsNewestRecordFirst) {
    PendingCreation first, second;
    module.PushCreation(&first, ObjectNo(1));
    module.PushCreation(&second, ObjectNo(2));
    EXPECT_EQ(GetCurrentThreadId(), first.thread);
    EXPECT_EQ(ObjectNo(1), first.object);

    EXPECT_EQ(ObjectNo(2), module.TakeCreation());
    EXPECT_EQ(ObjectNo(1), module.TakeCreation());
    EXPECT_EQ(nullptr, module.TakeCreation());
}

TEST_F(ModuleState, AnotherThreadsPushInBetweenChangesNothing) {
    PendingCreation first, theirs, second;
    const HANDLE pushed = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    const HANDLE mineTaken = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    BoundWindow* theyTook = nullptr;
    BoundWindow* theyTookNext = ObjectNo(99);

    module.PushCreation(&first, ObjectNo(1));
    std::thread other([&] {
        module.PushCreation(&theirs, ObjectNo(2));
        SetEvent(pushed);
        WaitForSingleObject(mineTaken, 10000);
        theyTook = module.TakeCreation();
        theyTookNext = module.TakeCreation();
    });
    const bool otherPushed = WaitForSingleObject(pushed, 10000) == WAIT_OBJECT_0;
    module.PushCreation(&second, ObjectNo(3));

    BoundWindow* const iTook = module.TakeCreation();
    BoundWindow* const iTookNext = module.TakeCreation();
    BoundWindow* const iTookLast = module.TakeCreation();
    SetEvent(mineTaken);
    other.join();
    CloseHandle(pushed);
    CloseHandle(mineTaken);

    ASSERT_TRUE(otherPushed);
    EXPECT_EQ(ObjectNo(3), iTook);
    EXPECT_EQ(ObjectNo(1), iTookNext);
    EXPECT_EQ(nullptr, iTookLast);
    EXPECT_EQ(ObjectNo(2), theyTook);
    EXPECT_EQ(nullptr, theyTookNext);
}

TEST_F(ModuleState, CancelUnlinksOnlyThatRecord) {
    PendingCreation first, middle, last, never;
    module.PushCreation(&first, ObjectNo(1));
    module.PushCreation(&middle, ObjectNo(2));
    module.PushCreation(&last, ObjectNo(3));

    module.CancelCreation(&middle);
    module.CancelCreation(&never);  // not in the list: nothing happens

    EXPECT_EQ(ObjectNo(3), module.TakeCreation());
    EXPECT_EQ(ObjectNo(1), module.TakeCreation());
    EXPECT_EQ(nullptr, module.TakeCreation());
}

}  // namespace
