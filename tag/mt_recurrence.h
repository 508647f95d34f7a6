#pragma once
#include <cstdint>
#include <cstring>

#include "tag/mt_random.h"

// The constants of the MT19937 recurrence and tempering, shared by the three
// regeneration routines.
namespace mt_recurrence {

constexpr std::uint32_t kFar = 397;                // distance to the partner word
constexpr std::uint32_t kSplit = kMtWords - kFar;  // 227: first word whose partner wraps
constexpr std::uint32_t kUpperMask = 0x80000000u;
constexpr std::uint32_t kLowerMask = 0x7FFFFFFFu;
constexpr std::uint32_t kMatrix = 0x9908B0DFu;

// y ^= (y << 7) & kTemperB, then y ^= (y << 15) & kTemperC.
constexpr std::uint32_t kTemperB = 0x9D2C5680u;
constexpr std::uint32_t kTemperC = 0xEFC60000u;

// Two words side by side in one 64-bit general register, where registers are
// that wide: every step of the recurrence is lane-wise but the shift, whose
// bit that crosses into the other word is masked off. Either word order
// works, since all three operands hold their words in the same order.
constexpr std::uint64_t both(std::uint32_t lane) { return std::uint64_t{lane} << 32 | lane; }

inline std::uint64_t load_pair(const std::uint32_t* p) {
    std::uint64_t pair;
    std::memcpy(&pair, p, sizeof pair);
    return pair;
}

inline void store_pair(std::uint32_t* p, std::uint64_t pair) { std::memcpy(p, &pair, sizeof pair); }

inline std::uint64_t twist_pair(std::uint64_t current, std::uint64_t next, std::uint64_t partner) {
    const std::uint64_t y = (current & both(kUpperMask)) | (next & both(kLowerMask));
    // The low bit of each successor times the matrix: 0 or the matrix in each
    // lane, a product that cannot carry into the other lane.
    return partner ^ ((y >> 1) & both(kLowerMask)) ^ ((next & both(1u)) * kMatrix);
}

}  // namespace mt_recurrence
