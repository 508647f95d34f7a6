// Built with -fno-tree-vectorize: this is the routine for processors without
// vector units, so it must stay scalar in every build, in general registers
// only (a ctest reads its object for vector registers). Where those registers
// are 64 bits wide it renews two words per step.
#include <cstdint>

#include "tag/mt_random.h"
#include "tag/mt_recurrence.h"
#include "tag/mt_routines.h"

namespace {

using namespace mt_recurrence;

// The matrix is mixed in when y (and so the successor) is odd. A two-entry
// table costs one load where the mask arithmetic costs three instructions,
// and neither branches.
constexpr std::uint32_t kMatrixIfOdd[2] = {0u, kMatrix};

// New value of a word from itself, its successor and its partner word.
inline std::uint32_t twist(std::uint32_t current, std::uint32_t next, std::uint32_t partner) {
    const std::uint32_t y = (current & kUpperMask) | (next & kLowerMask);
    return partner ^ (y >> 1) ^ kMatrixIfOdd[next & 1u];
}

// (y & m) << shift has the bits of (y << shift) & mask for m = mask >> shift;
// the bits the shift drops are set in m, where they change nothing.
constexpr std::uint32_t mask_before_shift(std::uint32_t mask, int shift) {
    return mask >> shift | ~(~0u >> shift);
}
constexpr std::uint32_t kTemperBBeforeShift = mask_before_shift(kTemperB, 7);   // 0xFF3A58AD
constexpr std::uint32_t kTemperCBeforeShift = mask_before_shift(kTemperC, 15);  // 0xFFFFDF8C

inline std::uint32_t temper(std::uint32_t y) {
    y ^= y >> 11;
    y ^= (y & kTemperBBeforeShift) << 7;
    y ^= (y & kTemperCBeforeShift) << 15;
    y ^= y >> 18;
    return y;
}

// Where registers are 64 bits wide, two words at a time (mt_recurrence.h):
// the tempering's shifts mask off the bits that cross into the other word.
inline std::uint64_t temper_pair(std::uint64_t y) {
    y ^= (y >> 11) & both(~0u >> 11);
    y ^= (y << 7) & both(kTemperB);   // kTemperB's low 7 bits are clear
    y ^= (y << 15) & both(kTemperC);  // and kTemperC's low 15
    y ^= (y >> 18) & both(~0u >> 18);
    return y;
}

// Renews and tempers words k and k + 1 with their partners at k + partner.
inline void step_pair(std::uint32_t* s, std::uint32_t* out, std::uint32_t k, std::int32_t partner) {
    const std::uint64_t word =
        twist_pair(load_pair(s + k), load_pair(s + k + 1), load_pair(s + k + partner));
    store_pair(s + k, word);
    store_pair(out + k, temper_pair(word));
}

inline void step_word(std::uint32_t* s, std::uint32_t* out, std::uint32_t k, std::uint32_t next,
                      std::uint32_t partner) {
    const std::uint32_t word = twist(s[k], next, partner);
    s[k] = word;
    out[k] = temper(word);
}

// The pairwise pass; the word whose pair would reach past the split and the
// last one, whose successor wraps, go one by one.
void regen_pairs(std::uint32_t* s, std::uint32_t* out) {
    constexpr std::int32_t kAhead = static_cast<std::int32_t>(kFar);
    constexpr std::int32_t kBehind = -static_cast<std::int32_t>(kSplit);
    std::uint32_t k = 0;
    for (; k + 1 < kSplit; k += 2) step_pair(s, out, k, kAhead);  // partners not yet renewed
    step_word(s, out, k, s[k + 1], s[k + kFar]);                  // 226: kSplit is odd
    for (k = kSplit; k + 2 < kMtWords; k += 2) step_pair(s, out, k, kBehind);  // renewed ones
    step_word(s, out, kMtWords - 1, s[0], s[kFar - 1]);
    static_assert(kSplit % 2 == 1 && (kMtWords - 1 - kSplit) % 2 == 0,
                  "the single words fall at 226 and 623");
}

}  // namespace

void mt_regen_plain(MtState* generator) {
    std::uint32_t* const s = generator->state;
    std::uint32_t* const out = generator->output;
    generator->index = 0;
    if constexpr (sizeof(void*) == 8) {
        regen_pairs(s, out);
        return;
    }
    // Each new word is tempered while it is still in a register, so the words
    // are loaded once and the loop overhead is paid once per word; the
    // successor is carried from one step to the next.
    std::uint32_t current = s[0];
    std::uint32_t k = 0;
#pragma GCC unroll 4
    for (; k < kSplit; ++k) {  // partners 397..623, not yet renewed
        const std::uint32_t next = s[k + 1];
        const std::uint32_t word = twist(current, next, s[k + kFar]);
        s[k] = word;
        out[k] = temper(word);
        current = next;
    }
#pragma GCC unroll 4
    for (; k < kMtWords - 1; ++k) {  // partners 0..395, renewed in this pass
        const std::uint32_t next = s[k + 1];
        const std::uint32_t word = twist(current, next, s[k - kSplit]);
        s[k] = word;
        out[k] = temper(word);
        current = next;
    }
    const std::uint32_t last = twist(current, s[0], s[kFar - 1]);
    s[kMtWords - 1] = last;
    out[kMtWords - 1] = temper(last);
}
