#pragma once
#include <cstdint>

// MT19937 with bulk tempering: regeneration renews all 624 state words and
// tempers them into output, so taking a value is one comparison, one load and
// one increment. The record sits on a 16-byte boundary inside its heap block so
// that the vector routines use aligned loads and stores on both arrays.
constexpr std::uint32_t kMtWords = 624;

struct MtState;
using MtRegenerate = void (*)(MtState*);

struct MtState {
    std::uint32_t state[kMtWords];   // untempered state words
    std::uint32_t output[kMtWords];  // tempered outputs of the last regeneration
    std::uint32_t index;             // next output to hand out; kMtWords = all used
    void* raw_block;                 // what malloc returned: the only address to free
    MtRegenerate regenerate;         // routine chosen at creation
};

// Allocates, aligns, picks the widest routine the processor offers (see
// tag/mt_routines.h) and seeds. Null when the memory cannot be had.
MtState* mt_create(std::uint32_t seed);

// The next value. Inline, so that a value costs the caller one comparison,
// one load and one increment; the regeneration behind every 624th value is a
// call through regenerate. The generator must not be null.
inline std::uint32_t mt_next(MtState* generator) {
    if (__builtin_expect(generator->index >= kMtWords, 0)) generator->regenerate(generator);
    return generator->output[generator->index++];
}

// The current second as time(NULL) gives it, low 32 bits.
std::uint32_t mt_clock_second();

// A generator seeded with mt_clock_second(), or with an explicit seed.
// handle is null when creation failed.
struct MtGenerator {
    MtGenerator();
    explicit MtGenerator(std::uint32_t seed);
    ~MtGenerator();
    MtGenerator(const MtGenerator&) = delete;
    MtGenerator& operator=(const MtGenerator&) = delete;

    MtState* handle;
};

// Frees the block behind holder->handle; always 0. Does not clear handle.
std::int32_t mt_destroy(MtGenerator* holder);
