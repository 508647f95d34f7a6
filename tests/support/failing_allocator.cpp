#include "failing_allocator.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

// Atomic: a windowed test may allocate on another thread while armed.
std::atomic<bool> g_armed{false};
std::atomic<long> g_count{0};
std::atomic<long> g_fail_at{0};
std::atomic<bool> g_failed{false};

bool Refuse() {
    if (!g_armed.load() || ++g_count != g_fail_at.load()) return false;
    g_failed = true;
    return true;
}

}  // namespace

namespace zentrail::test {

FailingAllocator::FailingAllocator(long fail_at) {
    g_count = 0;
    g_fail_at = fail_at;
    g_failed = false;
    g_armed = true;
}
FailingAllocator::~FailingAllocator() { g_armed = false; }
long FailingAllocator::count() const { return g_count.load(); }
bool FailingAllocator::failed() const { return g_failed.load(); }

}  // namespace zentrail::test

// ld --wrap=NAME sends every reference to NAME here, and __real_NAME to the
// C library's own (or the sanitizer's).
extern "C" {
void* __real_malloc(std::size_t size);
void* __real_calloc(std::size_t count, std::size_t size);
void* __real_realloc(void* block, std::size_t size);

void* __wrap_malloc(std::size_t n) { return Refuse() ? nullptr : __real_malloc(n); }
void* __wrap_calloc(std::size_t n, std::size_t s) {
    return Refuse() ? nullptr : __real_calloc(n, s);
}
// A refused growth leaves the old block as it was, as realloc does.
void* __wrap_realloc(void* p, std::size_t n) { return Refuse() ? nullptr : __real_realloc(p, n); }
}

// operator new on top of the wrapped malloc, so that one count covers both
// heaps; its blocks go back through free.
namespace {
void* AllocateNoThrow(std::size_t n) noexcept { return __wrap_malloc(n == 0 ? 1 : n); }
void* Allocate(std::size_t n) {
    if (void* block = AllocateNoThrow(n)) return block;
    throw std::bad_alloc();
}
}  // namespace

void* operator new(std::size_t n) { return Allocate(n); }
void* operator new[](std::size_t n) { return Allocate(n); }
void* operator new(std::size_t n, const std::nothrow_t&) noexcept { return AllocateNoThrow(n); }
void* operator new[](std::size_t n, const std::nothrow_t&) noexcept { return AllocateNoThrow(n); }
void operator delete(void* block) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t) noexcept { std::free(block); }
void operator delete(void* block, const std::nothrow_t&) noexcept { std::free(block); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { std::free(block); }
