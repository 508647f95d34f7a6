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

TEST(ThreadLoopMap, KeepsOrderAndDuplicatesAndTheFirstPairWins) {
    ThreadLoopMap map;
    EXPECT_EQ(nullptr, map.Find(5));
    for (DWORD key : {5, 6, 5, 7}) ASSERT_TRUE(map.Insert(key, LoopNo(map.count + 1)));
    EXPECT_EQ(LoopNo(1), map.Find(5));
    EXPECT_EQ(nullptr, map.Find(8));

    EXPECT_TRUE(map.Erase(5));
    EXPECT_EQ((std::vector<DWORD>{6, 5, 7}), KeysOf(map));
    EXPECT_EQ((std::vector<MessageLoop*>{LoopNo(2), LoopNo(3), LoopNo(4)}),
              std::vector<MessageLoop*>(map.values, map.values + map.count));
    EXPECT_EQ(LoopNo(3), map.Find(5));
    EXPECT_FALSE(map.Erase(8));

    // The last pair gone leaves no arrays, and the map still takes pairs.
    for (DWORD key : {6, 5, 7}) EXPECT_TRUE(map.Erase(key));
    EXPECT_EQ(nullptr, map.keys);
    EXPECT_EQ(nullptr, map.values);
    EXPECT_EQ(0, map.count);
    ASSERT_TRUE(map.Insert(9, LoopNo(9)));
    EXPECT_EQ(LoopNo(9), map.Find(9));
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

TEST_F(ModuleState, ThreadTakesItsNewestRecordFirstAndCancelUnlinksOnlyThatOne) {
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

TEST_F(ModuleState, AnotherThreadsPushInBetweenChangesNothing) {
    PendingCreation first, theirs, second;
    const HANDLE pushed = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    const HANDLE mineTaken = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::vector<BoundWindow*> theyTook, iTook;

    module.PushCreation(&first, ObjectNo(1));
    std::thread other([&] {
        module.PushCreation(&theirs, ObjectNo(2));
        SetEvent(pushed);
        WaitForSingleObject(mineTaken, 10000);
        for (int i = 0; i < 2; ++i) theyTook.push_back(module.TakeCreation());
    });
    const bool otherPushed = WaitForSingleObject(pushed, 10000) == WAIT_OBJECT_0;
    module.PushCreation(&second, ObjectNo(3));
    for (int i = 0; i < 3; ++i) iTook.push_back(module.TakeCreation());
    SetEvent(mineTaken);
    other.join();
    CloseHandle(pushed);
    CloseHandle(mineTaken);

    ASSERT_TRUE(otherPushed);
    EXPECT_EQ((std::vector<BoundWindow*>{ObjectNo(3), ObjectNo(1), nullptr}), iTook);
    EXPECT_EQ((std::vector<BoundWindow*>{ObjectNo(2), nullptr}), theyTook);
}

}  // namespace
