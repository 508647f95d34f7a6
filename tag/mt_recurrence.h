#pragma once
#include <cstdint>

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

}  // namespace mt_recurrence
