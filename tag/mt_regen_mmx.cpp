// The recurrence runs two words per step in general registers (in one
// register where they are 64 bits wide, else one after the other); the tempering
// runs in 64-bit MMX vectors, three vectors (six words) per step. The two
// share one loop: the integer units renew words while the MMX unit tempers
// words renewed a few steps earlier, and the source interleaves the two so
// that both kinds of instruction reach the processor side by side. Built
// with -fno-tree-vectorize so that the recurrence does not become SSE code
// where SSE is the baseline.
#include "tag/mt_random.h"
#include "tag/mt_recurrence.h"
#include "tag/mt_routines.h"

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

using namespace mt_recurrence;

// The tempering trails the recurrence, so that it never reads, as one 64-bit
// load, two words whose 32-bit stores are still in flight: a load that cannot
// take its data from the stores waits for them to reach the cache. 18 words
// in the first half; the lone word 226 and the steps 222..225 make it 23 in
// the second.
constexpr std::uint32_t kLeadWords = 18;
constexpr std::uint32_t kLoopWords = 12;  // two groups of three steps
constexpr std::uint32_t kFirstLoopEnd = 222;
constexpr std::uint32_t kSecondLag = kSplit - (kFirstLoopEnd - kLeadWords);  // 23

// The matrix for every value of a word's low byte, so that one zero-extending
// byte move and one XOR from memory apply it: a two-entry table needs a copy
// of the word and a mask first.
struct MatrixByLowByte {
    std::uint32_t value[256];
    constexpr MatrixByLowByte() : value() {
        for (int i = 0; i < 256; ++i) value[i] = (i & 1) ? kMatrix : 0u;
    }
};
alignas(64) constexpr MatrixByLowByte kMatrixIfOdd;

// The tempering masks, two lanes each. With the six vectors of a step in
// flight only two MMX registers are left: the masks are read as memory
// operands in every step rather than held.
// Each vector of a step has its own copy: from one copy the compiler would
// load the mask into a register once per step and AND from there.
struct alignas(8) TemperMasks {
    std::uint32_t b[3][2];
    std::uint32_t c[3][2];
};
constexpr TemperMasks kTemperMasks = {
    {{kTemperB, kTemperB}, {kTemperB, kTemperB}, {kTemperB, kTemperB}},
    {{kTemperC, kTemperC}, {kTemperC, kTemperC}, {kTemperC, kTemperC}}};

// y = ((current ^ next) & upper) ^ next keeps the top bit of current and the
// rest of next with one mask.
inline std::uint32_t twist(std::uint32_t current, std::uint32_t next, std::uint32_t partner) {
    const std::uint32_t y = ((current ^ next) & kUpperMask) ^ next;
    return partner ^ (y >> 1) ^ kMatrixIfOdd.value[static_cast<std::uint8_t>(next)];
}

// One word at w: current holds the word and leaves holding its successor,
// so each word is loaded once.
inline void renew_word(std::uint32_t* w, const std::uint32_t* partner, std::uint32_t& current) {
    const std::uint32_t next = w[1];
    w[0] = twist(current, next, *partner);
    current = next;
}

// Two words at w, partners at p. Where general registers are 64 bits wide
// both are renewed in one (mt_recurrence.h); current still leaves holding
// the successor.
inline void pair_step(std::uint32_t* w, const std::uint32_t* p, std::uint32_t& current) {
#if defined(__x86_64__)
    const std::uint64_t next = load_pair(w + 1);
    store_pair(w, twist_pair(load_pair(w), next, load_pair(p)));
    current = static_cast<std::uint32_t>(next >> 32);
#else
    renew_word(w, p, current);
    renew_word(w + 1, p + 1, current);
#endif
}

// The tempering of three vectors, one slice of each at a time.
struct Temper3 {
    __m64 y0, y1, y2;
    __m64 u0, u1, u2;
};

MT_SIMD_INLINE __m64 operand(const std::uint32_t* words) {
    return *reinterpret_cast<const __m64*>(words);
}

// The first step reads each vector a second time as an operand rather than
// copying it.
MT_SIMD_INLINE void temper_first(Temper3& t, const std::uint32_t* in) {
    t.y0 = _mm_xor_si64(_mm_srli_pi32(operand(in), 11), operand(in));
    t.y1 = _mm_xor_si64(_mm_srli_pi32(operand(in + 2), 11), operand(in + 2));
    t.y2 = _mm_xor_si64(_mm_srli_pi32(operand(in + 4), 11), operand(in + 4));
}

MT_SIMD_INLINE void temper_b(Temper3& t, const TemperMasks& masks) {
    t.y0 = _mm_xor_si64(t.y0, _mm_and_si64(_mm_slli_pi32(t.y0, 7), operand(masks.b[0])));
    t.y1 = _mm_xor_si64(t.y1, _mm_and_si64(_mm_slli_pi32(t.y1, 7), operand(masks.b[1])));
    t.y2 = _mm_xor_si64(t.y2, _mm_and_si64(_mm_slli_pi32(t.y2, 7), operand(masks.b[2])));
}

MT_SIMD_INLINE void temper_c(Temper3& t, const TemperMasks& masks) {
    t.y0 = _mm_xor_si64(t.y0, _mm_and_si64(_mm_slli_pi32(t.y0, 15), operand(masks.c[0])));
    t.y1 = _mm_xor_si64(t.y1, _mm_and_si64(_mm_slli_pi32(t.y1, 15), operand(masks.c[1])));
    t.y2 = _mm_xor_si64(t.y2, _mm_and_si64(_mm_slli_pi32(t.y2, 15), operand(masks.c[2])));
}

MT_SIMD_INLINE void temper_last(Temper3& t, std::uint32_t* out) {
    __m64* o = reinterpret_cast<__m64*>(out);
    o[0] = _mm_xor_si64(t.y0, _mm_srli_pi32(t.y0, 18));
    o[1] = _mm_xor_si64(t.y1, _mm_srli_pi32(t.y1, 18));
    o[2] = _mm_xor_si64(t.y2, _mm_srli_pi32(t.y2, 18));
}

// Six words of recurrence at p, partners at f, with the six words at t
// tempered into out in between.
MT_SIMD_INLINE void renew_and_temper6(std::uint32_t* p, const std::uint32_t* f,
                                      const std::uint32_t* t, std::uint32_t* out,
                                      std::uint32_t& current, const TemperMasks& masks) {
    Temper3 v;
#if defined(__x86_64__)
    pair_step(p, f, current);
    temper_first(v, t);
    pair_step(p + 2, f + 2, current);
    temper_b(v, masks);
    pair_step(p + 4, f + 4, current);
    temper_c(v, masks);
#else
    renew_word(p, f, current);
    temper_first(v, t);
    renew_word(p + 1, f + 1, current);
    temper_b(v, masks);
    renew_word(p + 2, f + 2, current);
    renew_word(p + 3, f + 3, current);
    temper_c(v, masks);
    renew_word(p + 4, f + 4, current);
    renew_word(p + 5, f + 5, current);
#endif
    temper_last(v, out);
}

// Twelve words of recurrence at p, partners partner_offset words away, with
// the twelve words lag words behind p tempered into out in between. current holds the
// word at p and leaves holding the word at p + 12.
MT_SIMD_INLINE void renew_and_temper(std::uint32_t* p, std::uint32_t* out,
                                     std::int32_t partner_offset, std::uint32_t lag,
                                     std::uint32_t& current, const TemperMasks& masks) {
    const std::uint32_t* const f = p + partner_offset;
    renew_and_temper6(p, f, p - lag, out, current, masks);
    renew_and_temper6(p + 6, f + 6, p + 6 - lag, out + 6, current, masks);
}

MT_SIMD_INLINE void temper_step(const std::uint32_t* words, std::uint32_t* out,
                                const TemperMasks& masks) {
    Temper3 t;
    temper_first(t, words);
    temper_b(t, masks);
    temper_c(t, masks);
    temper_last(t, out);
}

}  // namespace

MT_SIMD_ENTRY void mt_regen_mmx(MtState* generator) {
    std::uint32_t* const s = generator->state;
    std::uint32_t* const out = generator->output;
    // Read anew in every step, the masks' address is not known to be constant,
    // so the compiler neither turns them into register constants nor hoists
    // them out of the loops.
    const TemperMasks* volatile masks_at = &kTemperMasks;

    // Recurrence: words 0..225 in 113 steps, 226 alone, 227..622 in 198
    // steps, 623 alone. Tempering: 104 steps of six words, 34 of them in the
    // first loop, 66 in the second and 4 after the last word.
    std::uint32_t current = s[0];
    std::uint32_t k = 0;
    for (; k < kLeadWords; k += 2) pair_step(s + k, s + k + kFar, current);
    for (; k < kFirstLoopEnd; k += kLoopWords) {
        renew_and_temper(s + k, out + k - kLeadWords, kFar, kLeadWords, current, *masks_at);
    }
    for (; k < kSplit - 1; k += 2) pair_step(s + k, s + k + kFar, current);
    // Word 226 alone: a pair 226/227 would straddle the change of partner.
    renew_word(s + kSplit - 1, s + kMtWords - 1, current);
    // Partners 0..395, renewed earlier in this pass.
    for (k = kSplit; k < kMtWords - 1; k += kLoopWords) {
        renew_and_temper(s + k, out + k - kSecondLag, -static_cast<std::int32_t>(kSplit),
                         kSecondLag, current, *masks_at);
    }
    s[kMtWords - 1] = twist(current, s[0], s[kFar - 1]);
    for (std::uint32_t t = kMtWords - 1 - kSecondLag; t < kMtWords; t += 6) {
        temper_step(s + t, out + t, *masks_at);
    }

    generator->index = 0;
    // The MMX registers alias the x87 stack: leave it empty for float code.
    _mm_empty();
}

#endif  // ZENTRAIL_HAVE_X86_SIMD
