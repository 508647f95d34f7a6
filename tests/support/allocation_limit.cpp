#include "allocation_limit.h"

#include <atomic>
#include <cstdlib>

namespace {

std::atomic<int> g_guards{0};
std::atomic<int> g_refusals{0};

bool Refuse(std::size_t size) {
    if (g_guards.load() == 0 || size < zentrail::test::LargeAllocationsRefused::kRefusedFrom) {
        return false;
    }
    ++g_refusals;
    return true;
}

}  // namespace

namespace zentrail::test {

LargeAllocationsRefused::LargeAllocationsRefused() { ++g_guards; }
LargeAllocationsRefused::~LargeAllocationsRefused() { --g_guards; }
int LargeAllocationsRefused::Refusals() { return g_refusals.load(); }

}  // namespace zentrail::test

// ld --wrap=NAME sends every reference to NAME here, and __real_NAME to the
// C library's own.
extern "C" {
void* __real_malloc(std::size_t size);
void* __real_calloc(std::size_t count, std::size_t size);
void* __real_realloc(void* block, std::size_t size);

void* __wrap_malloc(std::size_t size) { return Refuse(size) ? nullptr : __real_malloc(size); }

void* __wrap_calloc(std::size_t count, std::size_t size) {
    const bool overflows = size != 0 && count > static_cast<std::size_t>(-1) / size;
    return !overflows && Refuse(count * size) ? nullptr : __real_calloc(count, size);
}

// A refused growth leaves the old block as it was, as realloc does.
void* __wrap_realloc(void* block, std::size_t size) {
    return Refuse(size) ? nullptr : __real_realloc(block, size);
}
}
