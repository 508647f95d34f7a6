#include "allocation_limit.h"

#include <atomic>
#include <cstdlib>

namespace {

std::atomic<int> g_guards{0};
std::atomic<int> g_refusals{0};

// The numbered refusal: 0 when none is armed.
std::atomic<long> g_refusedNumber{0};
std::atomic<long> g_counted{0};
std::atomic<bool> g_numberRefused{false};

bool RefuseNumbered() {
    if (g_refusedNumber.load() == 0 || ++g_counted != g_refusedNumber.load()) return false;
    g_numberRefused = true;
    return true;
}

bool Refuse(std::size_t size) {
    if (RefuseNumbered()) return true;
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

NthAllocationRefused::NthAllocationRefused(long refused) {
    g_counted = 0;
    g_numberRefused = false;
    g_refusedNumber = refused;
}
NthAllocationRefused::~NthAllocationRefused() { g_refusedNumber = 0; }
bool NthAllocationRefused::Refused() const { return g_numberRefused.load(); }

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
