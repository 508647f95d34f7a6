#include "tag/mt_random.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <iterator>
#include <memory>
#include <ostream>
#include <random>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "tag/cpu_features.h"
#include "tag/mt_routines.h"
#include "test_seed.h"

#if defined(__i386__) || defined(__x86_64__)
#include <xmmintrin.h>
#endif

// Names the routine in test output instead of dumping its bytes. Beside the
// entry's type, so that GoogleTest finds it.
static void PrintTo(const MtRoutineEntry& routine, std::ostream* os) { *os << routine.name; }

namespace {

using zentrail::test::TestSeed;

#if defined(__i386__) || defined(__x86_64__)
__attribute__((target("sse"))) unsigned read_mxcsr() { return _mm_getcsr(); }

// The compiler's runtime reads CPUID on its own: an independent view.
struct ProcessorFeatures {
    bool mmx;
    bool sse;
    bool sse2;
};

ProcessorFeatures compiler_detected() {
    __builtin_cpu_init();
    return {__builtin_cpu_supports("mmx") != 0, __builtin_cpu_supports("sse") != 0,
            __builtin_cpu_supports("sse2") != 0};
}
#endif

// Runs first in a fresh process (ctest runs each test alone), so this call is
// the one that detects. The SSE probe loads a control word with flush-to-zero
// on; it must not stay loaded.
TEST(CpuFeatureBits, DetectionLeavesFloatControlAsItWas) {
#if defined(__i386__) || defined(__x86_64__)
    if (!compiler_detected().sse) GTEST_SKIP() << "no SSE: no control register to disturb";
    const unsigned before = read_mxcsr();
    cpu_feature_bits();
    EXPECT_EQ(before, read_mxcsr());
    EXPECT_EQ(0u, read_mxcsr() & 0x8000u) << "flush-to-zero left on";
#else
    GTEST_SKIP() << "no SSE control register on this processor";
#endif
}

TEST(CpuFeatureBits, DetectedOnceAndNeverMinusOne) {
    const std::int32_t word = cpu_feature_bits();
    EXPECT_NE(-1, word);
    EXPECT_EQ(kCpuDetected, word & kCpuDetected);
    EXPECT_EQ(word, cpu_feature_bits());
    // A failed probe clears SSE and SSE2 together.
    if (word & kCpuSse2) {
        EXPECT_EQ(kCpuSse, word & kCpuSse);
    }
}

TEST(CpuFeatureBits, AgreesWithTheCompilersOwnDetection) {
    const std::int32_t word = cpu_feature_bits();
#if defined(__i386__) || defined(__x86_64__)
    // The operating system here runs SSE, so the probe must pass.
    const ProcessorFeatures processor = compiler_detected();
    EXPECT_EQ(processor.mmx, (word & kCpuMmx) != 0);
    EXPECT_EQ(processor.sse, (word & kCpuSse) != 0);
    EXPECT_EQ(processor.sse2, (word & kCpuSse2) != 0);
#else
    EXPECT_EQ(kCpuDetected, word);
#endif
}

// The scalar default runs everywhere; an entry after it that needed nothing
// would be chosen on every processor.
TEST(MtRoutines, ScalarDefaultFirstEveryOtherNeedsAFeature) {
    ASSERT_LE(1u, std::size(kMtRoutines));
    EXPECT_STREQ("plain", kMtRoutines[0].name);
    EXPECT_EQ(mt_regen_plain, kMtRoutines[0].regenerate);
    EXPECT_EQ(0, kMtRoutines[0].needs);
    for (std::size_t i = 1; i < std::size(kMtRoutines); ++i) {
        EXPECT_NE(0, kMtRoutines[i].needs) << kMtRoutines[i].name;
        EXPECT_EQ(0, kMtRoutines[i].needs & kCpuDetected) << kMtRoutines[i].name;
        for (std::size_t j = 0; j < i; ++j) {
            EXPECT_NE(kMtRoutines[j].regenerate, kMtRoutines[i].regenerate);
            EXPECT_STRNE(kMtRoutines[j].name, kMtRoutines[i].name);
        }
    }
}

// The last routine of the table that the processor runs; on x86 the
// compiler's own detection tells which one that is.
TEST(MtCreate, PicksTheWidestRoutineTheProcessorRuns) {
    MtGenerator generator(1);
    ASSERT_NE(nullptr, generator.handle);
    std::size_t picked = std::size(kMtRoutines);
    for (std::size_t i = 0; i < std::size(kMtRoutines); ++i) {
        if (kMtRoutines[i].regenerate == generator.handle->regenerate) picked = i;
    }
    ASSERT_LT(picked, std::size(kMtRoutines)) << "not a routine of the table";
    EXPECT_TRUE(mt_routine_supported(kMtRoutines[picked])) << kMtRoutines[picked].name;
    for (std::size_t i = picked + 1; i < std::size(kMtRoutines); ++i) {
        EXPECT_FALSE(mt_routine_supported(kMtRoutines[i]))
            << kMtRoutines[i].name << " is wider and runs here";
    }
    EXPECT_EQ(generator.handle->regenerate, mt_widest_routine().regenerate);
#if defined(__i386__) || defined(__x86_64__)
    const ProcessorFeatures processor = compiler_detected();
    const char* expected = "plain";
    if (processor.sse2) {
        expected = "sse2";
    } else if (processor.mmx) {
        expected = "mmx";
    }
    EXPECT_STREQ(expected, kMtRoutines[picked].name);
#endif
}

// Small blocks in between shift where malloc puts the next generator, so both
// an aligned and an unaligned start of the block are likely to be seen.
TEST(MtCreate, RecordOnA16ByteBoundaryInsideItsBlock) {
    std::vector<std::unique_ptr<MtGenerator>> generators;
    std::vector<void*> spacers;
    for (std::uint32_t i = 0; i < 64; ++i) {
        spacers.push_back(std::malloc(1 + i % 13));
        generators.push_back(std::make_unique<MtGenerator>(i));
        const MtState* g = generators.back()->handle;
        ASSERT_NE(nullptr, g);
        const auto record = reinterpret_cast<std::uintptr_t>(g);
        const auto block = reinterpret_cast<std::uintptr_t>(g->raw_block);
        EXPECT_EQ(0u, record % 16);
        EXPECT_EQ(0u, reinterpret_cast<std::uintptr_t>(g->state) % 16);
        EXPECT_EQ(0u, reinterpret_cast<std::uintptr_t>(g->output) % 16);
        EXPECT_LE(block, record);
        EXPECT_LT(record, block + 16);
        EXPECT_EQ(kMtWords, g->index);
        EXPECT_EQ(i, g->state[0]);
    }
    for (void* p : spacers) std::free(p);
}

// mt_destroy frees the block and leaves the handle to its holder, which
// clears it so that its destructor does not free the block again. Under the
// sanitizers a block that mt_destroy kept fails the run at exit as a leak.
TEST(MtDestroy, FreesTheBlockAndLeavesTheHandleToItsHolder) {
    for (std::uint32_t seed = 0; seed < 8; ++seed) {
        MtGenerator holder(seed);
        MtState* const handle = holder.handle;
        ASSERT_NE(nullptr, handle);
        mt_destroy(&holder);
        EXPECT_EQ(handle, holder.handle);
        holder.handle = nullptr;
    }
}

// malloc here may well return 16-byte aligned blocks, where the record and the
// block coincide; a record placed 16 bytes in makes freeing the record's
// address instead of raw_block an invalid free (ASan), and not freeing the
// block a leak.
TEST(MtDestroy, FreesRawBlockNotTheRecord) {
    void* const block = std::malloc(sizeof(MtState) + 32);
    ASSERT_NE(nullptr, block);
    MtGenerator holder(7);
    MtState* const own = holder.handle;
    holder.handle = reinterpret_cast<MtState*>(static_cast<unsigned char*>(block) + 16);
    holder.handle->raw_block = block;
    EXPECT_EQ(0, mt_destroy(&holder));
    holder.handle = own;
}

TEST(MtGenerator, SameSeedSameFirstValue) {
    MtGenerator a(987654321u);
    MtGenerator b(987654321u);
    ASSERT_NE(nullptr, a.handle);
    ASSERT_NE(nullptr, b.handle);
    EXPECT_EQ(mt_next(a.handle), mt_next(b.handle));
}

// The clock may tick between reading it here and inside the constructor, so
// the first value must match the second before or the second after.
TEST(MtGenerator, SeedsFromTheCurrentSecond) {
    const std::time_t before = std::time(nullptr);
    MtGenerator generator;
    const std::time_t after = std::time(nullptr);
    ASSERT_NE(nullptr, generator.handle);
    const std::uint32_t first = mt_next(generator.handle);
    const auto first_for = [](std::time_t t) {
        std::mt19937 oracle(static_cast<std::uint32_t>(t));
        return static_cast<std::uint32_t>(oracle());
    };
    EXPECT_TRUE(first == first_for(before) || first == first_for(after))
        << first << " is neither " << first_for(before) << " nor " << first_for(after);
}

TEST(MtGenerator, TwoClockSeededInOneSecondAgree) {
    for (int attempt = 0; attempt < 5; ++attempt) {
        const std::time_t before = std::time(nullptr);
        MtGenerator a;
        MtGenerator b;
        if (std::time(nullptr) != before) continue;  // the second ticked: try again
        ASSERT_NE(nullptr, a.handle);
        ASSERT_NE(nullptr, b.handle);
        EXPECT_EQ(mt_next(a.handle), mt_next(b.handle));
        return;
    }
    FAIL() << "the clock ticked during every attempt";
}

// ---------------------------------------------------------------------------
// Every case below runs for each routine of kMtRoutines that this processor
// can execute, and each is checked against std::mt19937.

class MtRoutine : public ::testing::TestWithParam<MtRoutineEntry> {
  protected:
    void SetUp() override {
        if (!mt_routine_supported(GetParam())) {
            GTEST_SKIP() << "processor or system does not offer " << GetParam().name;
        }
    }

    // A generator that regenerates with the routine under test.
    std::unique_ptr<MtGenerator> Make(std::uint32_t seed) const {
        auto holder = std::make_unique<MtGenerator>(seed);
        if (holder->handle != nullptr) holder->handle->regenerate = GetParam().regenerate;
        return holder;
    }
};

std::vector<std::uint32_t> EdgeAndRandomSeeds(std::uint32_t test_seed) {
    std::vector<std::uint32_t> seeds = {0u,          1u,          5489u,      1234567890u,
                                        4294967295u, 0x80000000u, 0x7FFFFFFFu};
    std::mt19937 random(test_seed);
    for (int i = 0; i < 12; ++i) seeds.push_back(static_cast<std::uint32_t>(random()));
    return seeds;
}

TEST_P(MtRoutine, MatchesStdMt19937AcrossManyRegenerations) {
    constexpr int kValues = 8 * kMtWords + 5;
    const TestSeed test_seed;
    for (const std::uint32_t seed : EdgeAndRandomSeeds(test_seed.value())) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        const auto generator = Make(seed);
        ASSERT_NE(nullptr, generator->handle);
        std::mt19937 oracle(seed);
        for (int i = 0; i < kValues; ++i) {
            ASSERT_EQ(static_cast<std::uint32_t>(oracle()), mt_next(generator->handle))
                << "value " << i + 1;
        }
    }
}

TEST_P(MtRoutine, PublishedValues) {
    struct Known {
        std::uint32_t seed;
        int position;  // 1-based
        std::uint32_t value;
    };
    const Known known[] = {
        {5489u, 1, 3499211612u},       {5489u, 2, 581869302u},    {5489u, 3, 3890346734u},
        {5489u, 624, 4020325887u},     {5489u, 625, 4178893912u}, {5489u, 10000, 4123659995u},
        {0u, 1, 2357136044u},          {1u, 1, 1791095845u},      {4294967295u, 1, 419326371u},
        {1234567890u, 1, 2657703298u},
    };
    for (const Known& k : known) {
        const auto generator = Make(k.seed);
        ASSERT_NE(nullptr, generator->handle);
        std::uint32_t value = 0;
        for (int i = 0; i < k.position; ++i) value = mt_next(generator->handle);
        EXPECT_EQ(k.value, value) << "seed " << k.seed << ", value " << k.position;
    }
}

// Counts the regenerations that mt_next asks for, then runs the routine under
// test; a test runs on one thread, so plain statics do.
MtRegenerate counted_routine = nullptr;
int regenerations = 0;

void counting_regenerate(MtState* generator) {
    ++regenerations;
    counted_routine(generator);
    EXPECT_EQ(0u, generator->index) << "a routine resets the index";
}

TEST_P(MtRoutine, FirstValueAndEvery624thRegenerate) {
    const auto generator = Make(5489u);
    MtState* const g = generator->handle;
    ASSERT_NE(nullptr, g);
    counted_routine = GetParam().regenerate;
    regenerations = 0;
    g->regenerate = counting_regenerate;
    EXPECT_EQ(kMtWords, g->index);
    for (std::uint32_t call = 1; call <= 4 * kMtWords + 1; ++call) {
        mt_next(g);
        ASSERT_EQ(static_cast<int>((call - 1) / kMtWords + 1), regenerations) << "call " << call;
        ASSERT_EQ((call - 1) % kMtWords + 1, g->index) << "call " << call;
    }
}

// State words the seeding never yields side by side: every lane pattern of
// top bit, low bit and the rest. std::mt19937 reads such a state from its
// text form (the words, then the position 624 = regenerate first). Tempering
// is invertible, so equal outputs also mean equal state words.
TEST_P(MtRoutine, MatchesStdMt19937FromCraftedStates) {
    const TestSeed seed;
    std::mt19937 words(seed.value());
    const std::vector<std::pair<const char*, std::uint32_t (*)(std::uint32_t, std::mt19937&)>>
        patterns = {
            {"zero", [](std::uint32_t, std::mt19937&) { return 0u; }},
            {"ones", [](std::uint32_t, std::mt19937&) { return 0xFFFFFFFFu; }},
            {"top and low halves",
             [](std::uint32_t i, std::mt19937&) { return i % 2 ? 0x7FFFFFFFu : 0x80000000u; }},
            {"odd and even",
             [](std::uint32_t i, std::mt19937&) { return i % 3 ? 0xFFFFFFFEu : 0x00000001u; }},
            {"lone bit", [](std::uint32_t i, std::mt19937&) { return i == 623 ? 1u : 0u; }},
            {"golden ratio steps", [](std::uint32_t i, std::mt19937&) { return i * 0x9E3779B9u; }},
            {"random",
             [](std::uint32_t, std::mt19937& r) { return static_cast<std::uint32_t>(r()); }},
        };
    for (const auto& [name, word_at] : patterns) {
        SCOPED_TRACE(name);
        const auto generator = Make(0);
        MtState* const g = generator->handle;
        ASSERT_NE(nullptr, g);
        std::ostringstream text;
        for (std::uint32_t i = 0; i < kMtWords; ++i) {
            g->state[i] = word_at(i, words);
            text << g->state[i] << ' ';
        }
        text << kMtWords;
        std::mt19937 oracle;
        std::istringstream read_back(text.str());
        read_back >> oracle;
        ASSERT_FALSE(read_back.fail());
        for (std::uint32_t i = 0; i < 3 * kMtWords; ++i) {
            ASSERT_EQ(static_cast<std::uint32_t>(oracle()), mt_next(g)) << "value " << i + 1;
        }
    }
}

// The MMX registers share the x87 stack; a routine that leaves it full turns
// the next x87 load into NaN. long double is x87 arithmetic on both targets.
TEST_P(MtRoutine, FloatArithmeticStillWorksAfterwards) {
    const auto generator = Make(5489u);
    ASSERT_NE(nullptr, generator->handle);
    generator->handle->regenerate(generator->handle);
    volatile long double a = 1.5L;
    volatile long double b = 2.25L;
    volatile double c = 0.75;
    const long double product = a * b;
    const double sum = c + c;
    EXPECT_EQ(3.375L, product);
    EXPECT_EQ(1.5, sum);
}

INSTANTIATE_TEST_SUITE_P(Table, MtRoutine, ::testing::ValuesIn(kMtRoutines),
                         [](const ::testing::TestParamInfo<MtRoutineEntry>& routine) {
                             return std::string(routine.param.name);
                         });

}  // namespace
