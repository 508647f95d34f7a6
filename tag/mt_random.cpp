#include "tag/mt_random.h"

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <new>

#include "tag/mt_routines.h"

namespace {

constexpr std::uint32_t kSeedMultiplier = 1812433253u;
constexpr std::uintptr_t kRecordAlignment = 16;

}  // namespace

MtState* mt_create(std::uint32_t seed) {
    // 15 spare bytes let the record start on the first 16-byte boundary of the
    // block, whatever alignment malloc gives.
    void* const block = std::malloc(sizeof(MtState) + kRecordAlignment - 1);
    if (block == nullptr) return nullptr;
    const std::uintptr_t place =
        (reinterpret_cast<std::uintptr_t>(block) + kRecordAlignment - 1) & ~(kRecordAlignment - 1);
    MtState* const generator = ::new (reinterpret_cast<void*>(place)) MtState;
    generator->raw_block = block;
    generator->regenerate = mt_widest_routine().regenerate;

    std::uint32_t word = seed;
    generator->state[0] = word;
    for (std::uint32_t i = 1; i < kMtWords; ++i) {
        word = kSeedMultiplier * (word ^ (word >> 30)) + i;
        generator->state[i] = word;
    }
    // output stays as malloc left it: the first mt_next regenerates before reading.
    generator->index = kMtWords;
    return generator;
}

std::int32_t mt_destroy(MtGenerator* holder) {
    std::free(holder->handle->raw_block);
    return 0;
}

std::uint32_t mt_clock_second() {
    // The second of time(NULL), read from the system clock: under Wine the C
    // library's time() takes microseconds, more than a whole tick's arithmetic.
    const auto since_epoch = std::chrono::system_clock::now().time_since_epoch();
    return static_cast<std::uint32_t>(
        std::chrono::duration_cast<std::chrono::seconds>(since_epoch).count());
}

MtGenerator::MtGenerator() : handle(nullptr) { handle = mt_create(mt_clock_second()); }

MtGenerator::MtGenerator(std::uint32_t seed) : handle(mt_create(seed)) {}

MtGenerator::~MtGenerator() {
    if (handle != nullptr) mt_destroy(this);
}
