#pragma once
// Makes one chosen allocation of the test program fail, so that every
// allocation site of a code path can be failed in turn: count the
// allocations of a run, then fail the 1st, the 2nd, ... the last. The code
// under test is not touched: malloc, calloc and realloc are routed here at
// link time (ld's --wrap), and the program's operator new is replaced.
#include <cstddef>

namespace zentrail::test {

// While one lives, allocations are counted; the one numbered fail_at
// (1-based) gets null, or std::bad_alloc from operator new. 0 fails none.
class FailingAllocator {
  public:
    explicit FailingAllocator(long fail_at);
    ~FailingAllocator();
    FailingAllocator(const FailingAllocator&) = delete;
    FailingAllocator& operator=(const FailingAllocator&) = delete;

    // Allocations asked for so far in this one's lifetime.
    long count() const;
    // Whether the chosen one was reached and refused.
    bool failed() const;
};

}  // namespace zentrail::test
