#pragma once
#include <windows.h>

#include <cstdint>

class MessageLoop;

// Which MessageLoop pumps which thread. Two parallel arrays sized exactly to
// count (no spare room), pairs kept in insertion order. Duplicate keys are
// accepted; every operation works on the first pair with a given key. The
// caller holds AppModule's loopLock.
struct ThreadLoopMap {
    DWORD* keys = nullptr;
    MessageLoop** values = nullptr;  // not owned: each loop lives in its runner's frame
    std::int32_t count = 0;

    ThreadLoopMap() = default;
    ThreadLoopMap(const ThreadLoopMap&) = delete;
    ThreadLoopMap& operator=(const ThreadLoopMap&) = delete;
    ~ThreadLoopMap() { Release(); }

    // FALSE when memory ran out; the map is valid and unchanged in content.
    BOOL Insert(DWORD key, MessageLoop* value);
    // TRUE when a pair was removed.
    BOOL Erase(DWORD key);
    MessageLoop* Find(DWORD key) const;
    // Frees both arrays and empties the map.
    void Release();
};
