#pragma once
// Makes large requests to the C heap fail in the test programs that link
// this: in a 64-bit process a request of a few GiB is usually granted, and
// the out-of-memory paths must still be reached there. The code under test
// is not touched: its calls to malloc, calloc and realloc are routed here at
// link time (ld's --wrap, set by zentrail_refuse_large_allocations()).
#include <cstddef>

namespace zentrail::test {

// While one lives, every request of kRefusedFrom bytes or more gets null, as
// from a heap that has no such block; smaller ones go to the C heap as
// always, so the test itself keeps working.
class LargeAllocationsRefused {
  public:
    static constexpr std::size_t kRefusedFrom = std::size_t{1} << 30;

    LargeAllocationsRefused();
    ~LargeAllocationsRefused();
    LargeAllocationsRefused(const LargeAllocationsRefused&) = delete;
    LargeAllocationsRefused& operator=(const LargeAllocationsRefused&) = delete;

    // Requests refused so far by any guard, for the test to see that the
    // path it meant was taken.
    static int Refusals();
};

// While one lives, the allocations (malloc, calloc, realloc) are counted
// from 1 and the one numbered refused gets null; all others are granted.
// Refusing 1, 2, 3, ... in turn reaches every allocation site of a path
// without knowing them.
class NthAllocationRefused {
  public:
    explicit NthAllocationRefused(long refused);
    ~NthAllocationRefused();
    NthAllocationRefused(const NthAllocationRefused&) = delete;
    NthAllocationRefused& operator=(const NthAllocationRefused&) = delete;

    // Whether the numbered allocation came, and so was refused.
    bool Refused() const;
};

}  // namespace zentrail::test
