// Regeneration in 128-bit vectors of four words. Every access to state and
// output is an aligned 16-byte load or store, which the record's placement
// guarantees.
#include "tag/mt_random.h"
#include "tag/mt_recurrence.h"
#include "tag/mt_routines.h"

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

using namespace mt_recurrence;

// The recurrence's constants. With eight vector registers on 32-bit x86 they
// are read from memory where used, as operands or into the register that a
// copy would take anyway, rather than held in registers and spilled.
struct alignas(16) Lanes {
    std::uint32_t top_bit_halved[4];
    std::uint32_t matrix[4];
};
constexpr std::uint32_t kTopBitHalved = kUpperMask >> 1;
constexpr Lanes kLanes = {{kTopBitHalved, kTopBitHalved, kTopBitHalved, kTopBitHalved},
                          {kMatrix, kMatrix, kMatrix, kMatrix}};
alignas(16) const std::uint32_t kTemperBLanes[4] = {kTemperB, kTemperB, kTemperB, kTemperB};
alignas(16) const std::uint32_t kTemperCLanes[4] = {kTemperC, kTemperC, kTemperC, kTemperC};

// A constant as an operand, which the compiler folds into the instruction that
// uses it where it can.
MT_SIMD_INLINE __m128i constant(const std::uint32_t (&lanes)[4]) {
    return *reinterpret_cast<const __m128i*>(lanes);
}

// A state or output vector as the second operand of an instruction, where the
// compiler folds it in like a constant.
MT_SIMD_INLINE __m128i operand(const std::uint32_t* words) {
    return *reinterpret_cast<const __m128i*>(words);
}

// Aligned 16-byte access into a register. The Debian mingw-w64 compiler emits
// unaligned moves for every vector load and store, aligned intrinsics
// included, so there the aligned move is written out; the memory operands
// keep the ordering exact.
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

// A new word is partner ^ ((current & upper | next & lower) >> 1) ^ (next odd ? matrix : 0),
// the XOR of a part from the word itself,          own = (current >> 1) & bit 30,
// and a part from its successor and its partner,   rest = (next >> 1) & bits 0..29
//                                                         ^ (next odd ? matrix : 0) ^ partner.
// Both come from the same aligned vector: the vector at j gives the own parts
// of the words j..j+3 and the rests of the words j-1..j+2, whose partners are
// one aligned vector too. Only the rests move down one word, one shuffle per
// four words where moving successors and partners into place takes two. The
// odd mask is the lowest bit moved to the top and spread over the lane by an
// arithmetic shift: no constant to read.
MT_SIMD_INLINE void split(const std::uint32_t* words, const std::uint32_t* partners,
                          const Lanes& lanes, __m128i& own, __m128i& rest) {
    const __m128i w = load(words);
    const __m128i odd = _mm_srai_epi32(_mm_slli_epi32(w, 31), 31);
    const __m128i half = _mm_srli_epi32(w, 1);
    own = _mm_and_si128(half, constant(lanes.top_bit_halved));
    rest = _mm_xor_si128(
        _mm_xor_si128(_mm_xor_si128(half, own), _mm_and_si128(odd, constant(lanes.matrix))),
        operand(partners));
}

// The new words j..j+3 from the parts of the vectors at j and j+4: the rests
// of j move down one word with the lowest rest of j+4 on top (into lane 0,
// then a rotation of the lanes).
MT_SIMD_INLINE __m128i combine(__m128i own, __m128i rest, __m128i rest_after) {
    const __m128 lowest = _mm_move_ss(_mm_castsi128_ps(rest), _mm_castsi128_ps(rest_after));
    return _mm_xor_si128(_mm_shuffle_epi32(_mm_castps_si128(lowest), _MM_SHUFFLE(0, 3, 2, 1)), own);
}

// Words first .. last - 1 in blocks of eight. The partners of the words
// j-1 .. j+2 are the aligned vector at j + partner_offset. A block reads only
// words ahead of itself, not yet renewed, and partners it does not write, so
// its stores never feed its loads; the parts of the vector at k + 8 are the
// next block's first ones.
MT_SIMD_INLINE void renew_blocks(std::uint32_t* s, std::uint32_t first, std::uint32_t last,
                                 std::int32_t partner_offset) {
    // The constants' address is read from a volatile: not known to be
    // constant, so the compiler neither folds the lanes into register
    // constants nor hoists them out of the loop, since the loop's stores
    // might change them.
    const Lanes* volatile lanes_at = &kLanes;
    const Lanes& lanes = *lanes_at;
    __m128i own;
    __m128i rest;
    split(s + first, s + first + partner_offset, lanes, own, rest);
    for (std::uint32_t k = first; k < last; k += 8) {
        __m128i middle_own;
        __m128i middle_rest;
        split(s + k + 4, s + k + 4 + partner_offset, lanes, middle_own, middle_rest);
        store(s + k, combine(own, rest, middle_rest));
        split(s + k + 8, s + k + 8 + partner_offset, lanes, own, rest);
        store(s + k + 4, combine(middle_own, middle_rest, rest));
    }
}

inline std::uint32_t twist(std::uint32_t current, std::uint32_t next, std::uint32_t far) {
    const std::uint32_t y = (current & kUpperMask) | (next & kLowerMask);
    // ((next + 1) & 1) - 1 is all ones exactly when next is odd.
    return far ^ (y >> 1) ^ ((((next + 1u) & 1u) - 1u) & kMatrix);
}

// The first step reads the vector a second time as an operand rather than
// copying it: one instruction less.
MT_SIMD_INLINE __m128i temper4(const std::uint32_t* words) {
    __m128i y = _mm_xor_si128(_mm_srli_epi32(load(words), 11), operand(words));
    y = _mm_xor_si128(y, _mm_and_si128(_mm_slli_epi32(y, 7), constant(kTemperBLanes)));
    y = _mm_xor_si128(y, _mm_and_si128(_mm_slli_epi32(y, 15), constant(kTemperCLanes)));
    return _mm_xor_si128(y, _mm_srli_epi32(y, 18));
}

}  // namespace

MT_SIMD_ENTRY void mt_regen_sse2(MtState* generator) {
    std::uint32_t* const s = generator->state;

    // Words 0..223, partners 397..623 not yet renewed.
    renew_blocks(s, 0, 224, kFar - 1);
    // Words 224..226 would read partners past word 623, and 227 is the first
    // word whose partner is renewed: one at a time.
    s[224] = twist(s[224], s[225], s[621]);
    s[225] = twist(s[225], s[226], s[622]);
    s[226] = twist(s[226], s[227], s[623]);
    s[227] = twist(s[227], s[228], s[0]);
    // Words 228..619, partners 1..392 renewed by earlier blocks.
    renew_blocks(s, 228, 620, -static_cast<std::int32_t>(kSplit) - 1);
    // The last block would run past word 623 back to word 0.
    s[620] = twist(s[620], s[621], s[393]);
    s[621] = twist(s[621], s[622], s[394]);
    s[622] = twist(s[622], s[623], s[395]);
    s[623] = twist(s[623], s[0], s[396]);

    generator->index = 0;
    std::uint32_t* const out = generator->output;
    for (std::uint32_t i = 0; i < kMtWords; i += 12) {
        const __m128i y0 = temper4(s + i);
        const __m128i y1 = temper4(s + i + 4);
        const __m128i y2 = temper4(s + i + 8);
        store(out + i, y0);
        store(out + i + 4, y1);
        store(out + i + 8, y2);
    }
}

#endif  // ZENTRAIL_HAVE_X86_SIMD
