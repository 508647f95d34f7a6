#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "tag/crc32.h"
#include "tag/mt_random.h"

// The things the benchmarks time, shared by the Google Benchmark program and
// the round-robin program, so that both builds time exactly the same code.
namespace zentrail_bench {

// One thing to time. run performs ops operations and returns a value that
// depends on every one of them, so that none can be optimised away. verify
// checks the contender's output against an independent reference and returns
// what is wrong, or an empty text; it runs before any timing.
struct Contender {
    std::string name;  // the key the goals refer to; it names one operation too
    std::function<std::uint32_t(std::uint64_t ops)> run;
    std::function<std::string()> verify;
};

// Every contender of this build: the regeneration routines come from
// kMtRoutines (tag/mt_routines.h). Routines that the processor lacks are left
// out (the goals that need them then report a missing figure).
std::vector<Contender> make_contenders();

// Checks of single routines, exposed so that a broken routine can be shown
// to fail them.
using RegenRoutine = void (*)(MtState*);
using CrcRoutine = std::uint32_t (*)(const unsigned char* bytes, std::size_t count);

// Crc32 as a CrcRoutine: what the Crc32 contenders time. Inline, so that it
// costs what a direct call of Crc32 costs.
inline std::uint32_t crc32_routine(const unsigned char* bytes, std::size_t count) {
    return Crc32(bytes, static_cast<std::int32_t>(count));
}

// Runs routine directly on generators of several seeds, several times each,
// and compares every output block and the index with std::mt19937.
std::string check_regen(RegenRoutine routine);

// Compares routine with a bit-at-a-time CRC-32/BZIP2 over the given bytes.
std::string check_crc(CrcRoutine routine, const std::vector<unsigned char>& bytes);

// Bit-at-a-time CRC-32/BZIP2: slow, obviously right, independent of any table.
std::uint32_t reference_crc(const unsigned char* bytes, std::size_t count);

// Deterministic pseudo-random bytes.
std::vector<unsigned char> make_bytes(std::size_t count);

}  // namespace zentrail_bench
