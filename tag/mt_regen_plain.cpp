// Built with -fno-tree-vectorize: this is the routine for processors without
// vector units, so it must stay scalar in every build.
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

}  // namespace

void mt_regen_plain(MtState* generator) {
    std::uint32_t* const s = generator->state;
    // The successor is carried in a register from one step to the next.
    std::uint32_t current = s[0];
    std::uint32_t k = 0;
    for (; k < kSplit; ++k) {  // partners 397..623, not yet renewed
        const std::uint32_t next = s[k + 1];
        s[k] = twist(current, next, s[k + kFar]);
        current = next;
    }
    for (; k < kMtWords - 1; ++k) {  // partners 0..395, renewed in this pass
        const std::uint32_t next = s[k + 1];
        s[k] = twist(current, next, s[k - kSplit]);
        current = next;
    }
    s[kMtWords - 1] = twist(current, s[0], s[kFar - 1]);

    generator->index = 0;
    std::uint32_t* const out = generator->output;
    for (std::uint32_t i = 0; i < kMtWords; ++i) out[i] = temper(s[i]);
}
