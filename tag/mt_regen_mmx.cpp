// The recurrence runs two words per step in general registers; the tempering
// runs in 64-bit MMX vectors, three vectors (six words) per step. The two
// share one loop: the integer units renew words while the MMX unit tempers
// words renewed several steps earlier. Built with -fno-tree-vectorize so that
// the recurrence does not become SSE code where SSE is the baseline.
#include "tag/mt_random.h"

#ifdef ZENTRAIL_HAVE_X86_SIMD

#include <mmintrin.h>

#include <cstdint>

// 32-bit Windows keeps the stack only 4-byte aligned: realign on entry.
#if defined(__i386__)
#define MT_SIMD_ENTRY __attribute__((target("mmx"), force_align_arg_pointer))
#else
#define MT_SIMD_ENTRY __attribute__((target("mmx")))
#endif
#define MT_SIMD_INLINE inline __attribute__((target("mmx"), always_inline))

namespace {

constexpr std::uint32_t kFar = 397;
constexpr std::uint32_t kSplit = kMtWords - kFar;  // 227
constexpr std::uint32_t kUpperMask = 0x80000000u;
constexpr std::uint32_t kLowerMask = 0x7FFFFFFFu;
constexpr std::uint32_t kMatrixIfOdd[2] = {0u, 0x9908B0DFu};

// Tempering trails the recurrence by this many groups of six words, so that it
// never reads, as one 64-bit load, two words whose 32-bit stores are still in
// flight (a failed store forward costs more than the whole step).
constexpr std::uint32_t kTemperLagGroups = 8;

// The tempering masks in four lanes like the SSE2 routine's; two are read.
alignas(16) const std::uint32_t kTemperB[4] = {0x9D2C5680u, 0x9D2C5680u, 0x9D2C5680u, 0x9D2C5680u};
alignas(16) const std::uint32_t kTemperC[4] = {0xEFC60000u, 0xEFC60000u, 0xEFC60000u, 0xEFC60000u};

inline std::uint32_t twist(std::uint32_t current, std::uint32_t next, std::uint32_t partner) {
    const std::uint32_t y = (current & kUpperMask) | (next & kLowerMask);
    return partner ^ (y >> 1) ^ kMatrixIfOdd[next & 1u];
}

// One step: words w[0] and w[1] from w[0..2] and their partners p[0..1].
// current holds w[0] and leaves holding w[2], so each word is loaded once.
inline void pair_step(std::uint32_t* w, const std::uint32_t* p, std::uint32_t& current) {
    const std::uint32_t next = w[1];
    const std::uint32_t after = w[2];
    w[0] = twist(current, next, p[0]);
    w[1] = twist(next, after, p[1]);
    current = after;
}

inline void three_pair_steps(std::uint32_t* w, const std::uint32_t* p, std::uint32_t& current) {
    pair_step(w, p, current);
    pair_step(w + 2, p + 2, current);
    pair_step(w + 4, p + 4, current);
}

MT_SIMD_INLINE void temper_step(const std::uint32_t* in, std::uint32_t* out, __m64 mask_b,
                                __m64 mask_c) {
    const __m64* v = reinterpret_cast<const __m64*>(in);
    __m64* o = reinterpret_cast<__m64*>(out);
    __m64 y0 = v[0];
    __m64 y1 = v[1];
    __m64 y2 = v[2];
    y0 = _mm_xor_si64(y0, _mm_srli_pi32(y0, 11));
    y1 = _mm_xor_si64(y1, _mm_srli_pi32(y1, 11));
    y2 = _mm_xor_si64(y2, _mm_srli_pi32(y2, 11));
    y0 = _mm_xor_si64(y0, _mm_and_si64(_mm_slli_pi32(y0, 7), mask_b));
    y1 = _mm_xor_si64(y1, _mm_and_si64(_mm_slli_pi32(y1, 7), mask_b));
    y2 = _mm_xor_si64(y2, _mm_and_si64(_mm_slli_pi32(y2, 7), mask_b));
    y0 = _mm_xor_si64(y0, _mm_and_si64(_mm_slli_pi32(y0, 15), mask_c));
    y1 = _mm_xor_si64(y1, _mm_and_si64(_mm_slli_pi32(y1, 15), mask_c));
    y2 = _mm_xor_si64(y2, _mm_and_si64(_mm_slli_pi32(y2, 15), mask_c));
    o[0] = _mm_xor_si64(y0, _mm_srli_pi32(y0, 18));
    o[1] = _mm_xor_si64(y1, _mm_srli_pi32(y1, 18));
    o[2] = _mm_xor_si64(y2, _mm_srli_pi32(y2, 18));
}

}  // namespace

MT_SIMD_ENTRY void mt_regen_mmx(MtState* generator) {
    std::uint32_t* const s = generator->state;
    std::uint32_t* const out = generator->output;
    const __m64 mask_b = *reinterpret_cast<const __m64*>(kTemperB);
    const __m64 mask_c = *reinterpret_cast<const __m64*>(kTemperC);

    // Recurrence: words 0..225 in 113 steps, 226 alone, 227..622 in 198
    // steps, 623 alone. Tempering: 104 steps of six words, word t onwards.
    std::uint32_t current = s[0];
    std::uint32_t k = 0;
    std::uint32_t t = 0;
    for (; k < 6 * kTemperLagGroups; k += 6) three_pair_steps(s + k, s + k + kFar, current);
    for (; k < 222; k += 6, t += 6) {
        three_pair_steps(s + k, s + k + kFar, current);
        temper_step(s + t, out + t, mask_b, mask_c);
    }
    for (; k < kSplit - 1; k += 2) pair_step(s + k, s + k + kFar, current);
    // Word 226 alone: a pair 226/227 would straddle the change of partner.
    const std::uint32_t next = s[kSplit];
    s[kSplit - 1] = twist(current, next, s[kMtWords - 1]);
    current = next;
    // Partners 0..395, renewed earlier in this pass.
    for (k = kSplit; k < kMtWords - 1; k += 6, t += 6) {
        three_pair_steps(s + k, s + k - kSplit, current);
        temper_step(s + t, out + t, mask_b, mask_c);
    }
    s[kMtWords - 1] = twist(current, s[0], s[kFar - 1]);
    for (; t < kMtWords; t += 6) temper_step(s + t, out + t, mask_b, mask_c);

    generator->index = 0;
    // The MMX registers alias the x87 stack: leave it empty for float code.
    _mm_empty();
}

#endif  // ZENTRAIL_HAVE_X86_SIMD
