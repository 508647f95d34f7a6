#include "shell/thread_loop_map.h"

#include <cstdlib>
#include <cstring>

namespace {

// Resizes a block to exactly count entries. An empty result is freed outright
// rather than left to realloc(p, 0), whose outcome differs between C
// libraries.
template <class T>
T* ResizeToFit(T* block, std::int32_t count, bool& failed) {
    failed = false;
    if (count == 0) {
        std::free(block);
        return nullptr;
    }
    void* grown = std::realloc(block, static_cast<std::size_t>(count) * sizeof(T));
    if (grown == nullptr) {
        failed = true;
        return block;
    }
    return static_cast<T*>(grown);
}

}  // namespace

BOOL ThreadLoopMap::Insert(DWORD key, MessageLoop* value) {
    bool failed = false;
    DWORD* newKeys = ResizeToFit(keys, count + 1, failed);
    if (failed) return FALSE;
    keys = newKeys;
    // Should values not grow, keys keeps its larger block; its last entry is
    // simply not in use.
    MessageLoop** newValues = ResizeToFit(values, count + 1, failed);
    if (failed) return FALSE;
    values = newValues;
    ++count;
    keys[count - 1] = key;
    values[count - 1] = value;
    return TRUE;
}

BOOL ThreadLoopMap::Erase(DWORD key) {
    std::int32_t i = 0;
    while (i < count && keys[i] != key) ++i;
    if (i == count) return FALSE;

    const std::int32_t after = count - 1 - i;
    if (after > 0) {
        std::memmove(keys + i, keys + i + 1, static_cast<std::size_t>(after) * sizeof *keys);
        std::memmove(values + i, values + i + 1, static_cast<std::size_t>(after) * sizeof *values);
    }
    // A shrink that fails keeps the old, larger block: still valid.
    bool failed = false;
    keys = ResizeToFit(keys, count - 1, failed);
    values = ResizeToFit(values, count - 1, failed);
    --count;
    return TRUE;
}

MessageLoop* ThreadLoopMap::Find(DWORD key) const {
    for (std::int32_t i = 0; i < count; ++i) {
        if (keys[i] == key) return values[i];
    }
    return nullptr;
}

void ThreadLoopMap::Release() {
    std::free(keys);
    keys = nullptr;
    std::free(values);
    values = nullptr;
    count = 0;
}
