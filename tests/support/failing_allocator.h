#pragma once
// Makes chosen allocations of the test program fail, so that the
// out-of-memory paths are reached without touching the code under test:
// malloc, calloc and realloc are routed here at link time (ld's --wrap), and
// the program's operator new is replaced on top of them.
#include <cstddef>

namespace zentrail::test {

// While one lives, allocations are counted from 1; the one numbered fail_at
// gets null, or std::bad_alloc from operator new. 0 fails none, which counts
// a run: fail 1, 2, ... count() in turn to reach every allocation site.
class FailingAllocator {
  public:
    explicit FailingAllocator(long fail_at);
    ~FailingAllocator();

    // Allocations asked for so far in this one's lifetime.
    long count() const;
    // Whether the chosen one was reached and refused.
    bool failed() const;
};

}  // namespace zentrail::test
