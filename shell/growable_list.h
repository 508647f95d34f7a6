#pragma once
#include <windows.h>

#include <cstdint>
#include <cstdlib>

// A list of borrowed pointers on the C heap that grows 1, 2, 4, 8, ... and
// never shrinks until it is released. Null entries may be stored; the walks
// over the list skip them.
template <class T>
struct GrowableList {
    T** data = nullptr;
    std::int32_t count = 0;
    std::int32_t capacity = 0;

    GrowableList() = default;
    GrowableList(const GrowableList&) = delete;
    GrowableList& operator=(const GrowableList&) = delete;
    ~GrowableList() { Release(); }

    // FALSE, with the list unchanged, when the block cannot grow.
    BOOL Add(T* item) {
        if (count == capacity && !Grow()) return FALSE;
        data[count] = item;
        ++count;
        return TRUE;
    }

    void Release() {
        std::free(data);
        data = nullptr;
        count = 0;
        capacity = 0;
    }

  private:
    BOOL Grow() {
        constexpr std::int32_t kMost = INT32_MAX / 2;
        if (count > kMost) return FALSE;
        const std::int32_t wanted = capacity == 0 ? 1 : count * 2;
        void* grown = std::realloc(data, static_cast<std::size_t>(wanted) * sizeof(T*));
        if (grown == nullptr) return FALSE;
        data = static_cast<T**>(grown);
        capacity = wanted;
        return TRUE;
    }
};
