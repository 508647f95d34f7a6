#pragma once
#include <cstdint>

#include "tag/cpu_features.h"
#include "tag/mt_random.h"

// The interchangeable regeneration routines; all give the same words.
// mt_regen_mmx and mt_regen_sse2 exist only on x86 builds.
void mt_regen_plain(MtState* generator);
#ifdef ZENTRAIL_HAVE_X86_SIMD
#if !defined(__i386__) && !defined(__x86_64__)
#error "ZENTRAIL_HAVE_X86_SIMD is set for a compiler that does not target x86"
#endif
void mt_regen_mmx(MtState* generator);
void mt_regen_sse2(MtState* generator);
#endif

// One regeneration routine of this build and what it asks of the processor.
struct MtRoutineEntry {
    const char* name;  // plain, mmx, sse2: the benchmarks' and tests' name for it
    MtRegenerate regenerate;
    std::int32_t needs;  // cpu_features.h bits it requires; 0 runs everywhere
};

// Every routine of this build, narrowest first: the scalar one that runs on
// any processor, then each one that is worth it wherever its bits are set.
inline constexpr MtRoutineEntry kMtRoutines[] = {
    {"plain", mt_regen_plain, 0},
#ifdef ZENTRAIL_HAVE_X86_SIMD
    {"mmx", mt_regen_mmx, kCpuMmx},
    {"sse2", mt_regen_sse2, kCpuSse2},
#endif
};

// Whether this processor and system run the routine.
bool mt_routine_supported(const MtRoutineEntry& routine);

// The last entry of kMtRoutines that this processor runs: what mt_create
// gives every new generator.
const MtRoutineEntry& mt_widest_routine();
