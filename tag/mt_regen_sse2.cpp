// Regeneration in 128-bit vectors of four words. Every access to state and
// output is an aligned 16-byte load or store, which the record's placement
// guarantees.
#include "tag/mt_random.h"

#ifdef ZENTRAIL_HAVE_X86_SIMD

#include <emmintrin.h>

#include <cstdint>

// 32-bit Windows keeps the stack only 4-byte aligned: realign on entry, since
// spilled vectors go to aligned stack slots.
#if defined(__i386__)
#define MT_SIMD_ENTRY __attribute__((target("sse2"), force_align_arg_pointer))
#else
#define MT_SIMD_ENTRY __attribute__((target("sse2")))
#endif
#define MT_SIMD_INLINE inline __attribute__((target("sse2"), always_inline))

namespace {

constexpr std::uint32_t kFar = 397;
constexpr std::uint32_t kSplit = kMtWords - kFar;  // 227
constexpr std::uint32_t kMatrix = 0x9908B0DFu;

alignas(16) const std::uint32_t kLowerMask[4] = {0x7FFFFFFFu, 0x7FFFFFFFu, 0x7FFFFFFFu,
                                                 0x7FFFFFFFu};
alignas(16) const std::uint32_t kMatrixLanes[4] = {kMatrix, kMatrix, kMatrix, kMatrix};
alignas(16) const std::uint32_t kTemperB[4] = {0x9D2C5680u, 0x9D2C5680u, 0x9D2C5680u, 0x9D2C5680u};
alignas(16) const std::uint32_t kTemperC[4] = {0xEFC60000u, 0xEFC60000u, 0xEFC60000u, 0xEFC60000u};

// Aligned 16-byte access. The Debian mingw-w64 compiler emits unaligned moves
// for every vector load and store, aligned intrinsics included, so there the
// aligned move is written out; the memory operands keep the ordering exact.
#if defined(__MINGW32__)
MT_SIMD_INLINE __m128i load(const std::uint32_t* words) {
    __m128i v;
    __asm__("movdqa %1, %0" : "=x"(v) : "m"(*reinterpret_cast<const __m128i*>(words)));
    return v;
}

MT_SIMD_INLINE void store(std::uint32_t* words, __m128i v) {
    __asm__("movdqa %1, %0" : "=m"(*reinterpret_cast<__m128i*>(words)) : "x"(v));
}
#else
MT_SIMD_INLINE __m128i load(const std::uint32_t* words) {
    return _mm_load_si128(reinterpret_cast<const __m128i*>(words));
}

MT_SIMD_INLINE void store(std::uint32_t* words, __m128i v) {
    _mm_store_si128(reinterpret_cast<__m128i*>(words), v);
}
#endif

// Words 1..4 of the eight words lo:hi, from two aligned vectors: lo moved
// down by one word with hi's lowest word on top. Putting that word into lane 0
// and rotating the lanes takes two instructions where two byte shifts and an
// OR take three, in a loop that is bound by instruction count.
MT_SIMD_INLINE __m128i next_four(__m128i lo, __m128i hi) {
    const __m128 first_of_hi = _mm_move_ss(_mm_castsi128_ps(lo), _mm_castsi128_ps(hi));
    return _mm_shuffle_epi32(_mm_castps_si128(first_of_hi), _MM_SHUFFLE(0, 3, 2, 1));
}

MT_SIMD_INLINE __m128i twist4(__m128i current, __m128i next, __m128i far, __m128i lower,
                              __m128i matrix) {
    // (current & upper) | (next & lower), without a second mask
    const __m128i y = _mm_srli_epi32(
        _mm_xor_si128(_mm_and_si128(_mm_xor_si128(current, next), lower), current), 1);
    // All ones in the lanes whose successor is odd.
    const __m128i odd = _mm_srai_epi32(_mm_slli_epi32(next, 31), 31);
    return _mm_xor_si128(_mm_xor_si128(y, _mm_and_si128(odd, matrix)), far);
}

inline std::uint32_t twist(std::uint32_t current, std::uint32_t next, std::uint32_t far) {
    const std::uint32_t y = (current & 0x80000000u) | (next & 0x7FFFFFFFu);
    // ((next + 1) & 1) - 1 is all ones exactly when next is odd.
    return far ^ (y >> 1) ^ ((((next + 1u) & 1u) - 1u) & kMatrix);
}

MT_SIMD_INLINE __m128i temper4(__m128i y, __m128i mask_b, __m128i mask_c) {
    y = _mm_xor_si128(y, _mm_srli_epi32(y, 11));
    y = _mm_xor_si128(y, _mm_and_si128(_mm_slli_epi32(y, 7), mask_b));
    y = _mm_xor_si128(y, _mm_and_si128(_mm_slli_epi32(y, 15), mask_c));
    return _mm_xor_si128(y, _mm_srli_epi32(y, 18));
}

}  // namespace

MT_SIMD_ENTRY void mt_regen_sse2(MtState* generator) {
    std::uint32_t* const s = generator->state;
    const __m128i lower = load(kLowerMask);
    const __m128i matrix = load(kMatrixLanes);

    // Blocks of eight words. A block reads words k+1..k+8 and k+397.. (not yet
    // renewed) or k-227.. (renewed by earlier blocks), so the eight words of a
    // block never depend on each other. The vector at k+8 and the third
    // partner vector are the next block's first ones: they are carried over,
    // since the block's own stores do not touch them.

    // Words 0..223, partners 397..630 read from the aligned vectors at 396..
    __m128i a0 = load(s);
    __m128i f0 = load(s + kFar - 1);
    std::uint32_t k = 0;
    for (; k < 224; k += 8) {
        const __m128i a1 = load(s + k + 4);
        const __m128i a2 = load(s + k + 8);
        const __m128i f1 = load(s + k + kFar + 3);
        const __m128i f2 = load(s + k + kFar + 7);
        store(s + k, twist4(a0, next_four(a0, a1), next_four(f0, f1), lower, matrix));
        store(s + k + 4, twist4(a1, next_four(a1, a2), next_four(f1, f2), lower, matrix));
        a0 = a2;
        f0 = f2;
    }
    // Words 224..226 would read partners past word 623, and 227 is the first
    // word whose partner is renewed: one at a time.
    s[224] = twist(s[224], s[225], s[621]);
    s[225] = twist(s[225], s[226], s[622]);
    s[226] = twist(s[226], s[227], s[623]);
    s[227] = twist(s[227], s[228], s[0]);

    // Words 228..619, partners 1..392 read from the aligned vectors at 0..
    a0 = load(s + 228);
    f0 = load(s);
    for (k = 228; k < 620; k += 8) {
        const __m128i a1 = load(s + k + 4);
        const __m128i a2 = load(s + k + 8);
        const __m128i f1 = load(s + k - kSplit + 3);
        const __m128i f2 = load(s + k - kSplit + 7);
        store(s + k, twist4(a0, next_four(a0, a1), next_four(f0, f1), lower, matrix));
        store(s + k + 4, twist4(a1, next_four(a1, a2), next_four(f1, f2), lower, matrix));
        a0 = a2;
        f0 = f2;
    }
    // The last block would run past word 623 back to word 0.
    s[620] = twist(s[620], s[621], s[393]);
    s[621] = twist(s[621], s[622], s[394]);
    s[622] = twist(s[622], s[623], s[395]);
    s[623] = twist(s[623], s[0], s[396]);

    generator->index = 0;
    const __m128i mask_b = load(kTemperB);
    const __m128i mask_c = load(kTemperC);
    std::uint32_t* const out = generator->output;
    for (std::uint32_t i = 0; i < kMtWords; i += 12) {
        const __m128i y0 = load(s + i);
        const __m128i y1 = load(s + i + 4);
        const __m128i y2 = load(s + i + 8);
        store(out + i, temper4(y0, mask_b, mask_c));
        store(out + i + 4, temper4(y1, mask_b, mask_c));
        store(out + i + 8, temper4(y2, mask_b, mask_c));
    }
}

#endif  // ZENTRAIL_HAVE_X86_SIMD
