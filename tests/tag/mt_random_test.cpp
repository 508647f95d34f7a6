// The generator against std::mt19937, with every regeneration routine this
// processor runs, and the choice of routine against the compiler's own view
// of the processor.
#include "tag/mt_random.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "tag/cpu_features.h"
#include "tag/mt_routines.h"
#include "test_seed.h"

#if defined(__i386__) || defined(__x86_64__)
#include <xmmintrin.h>
#endif

// Names the routine in test output; beside its type, for GoogleTest to find.
static void PrintTo(const MtRoutineEntry& routine, std::ostream* os) { *os << routine.name; }

namespace {

#if defined(__i386__) || defined(__x86_64__)
__attribute__((target("sse"))) unsigned ReadMxcsr() { return _mm_getcsr(); }

// The compiler's runtime reads CPUID on its own: an independent view.
std::int32_t CompilerDetectedBits() {
    __builtin_cpu_init();
    return kCpuDetected | (__builtin_cpu_supports("mmx") ? kCpuMmx : 0) |
           (__builtin_cpu_supports("sse") ? kCpuSse : 0) |
           (__builtin_cpu_supports("sse2") ? kCpuSse2 : 0);
}
#else
unsigned ReadMxcsr() { return 0; }
std::int32_t CompilerDetectedBits() { return kCpuDetected; }
#endif

// First in a fresh process, so this call detects. The SSE probe loads a
// control word with flush-to-zero on, which must not stay loaded.
TEST(CpuFeatureBits, DetectedOnceAsTheCompilerSeesItAndPickTheWidestRoutine) {
    const bool sse = (CompilerDetectedBits() & kCpuSse) != 0;
    const unsigned before = sse ? ReadMxcsr() : 0;
    const std::int32_t word = cpu_feature_bits();
    EXPECT_EQ(before, sse ? ReadMxcsr() : 0);
    EXPECT_EQ(CompilerDetectedBits(), word);
    EXPECT_EQ(word, cpu_feature_bits());
    // The last routine of the table that the processor runs, the scalar one
    // first; every other one needs a feature, or it would win everywhere.
    EXPECT_EQ(mt_regen_plain, kMtRoutines[0].regenerate);
    EXPECT_EQ(0, kMtRoutines[0].needs);
    const MtRoutineEntry* expected = &kMtRoutines[0];
    for (const MtRoutineEntry& routine : kMtRoutines) {
        EXPECT_TRUE(&routine == kMtRoutines || routine.needs != 0) << routine.name;
        const bool runs = (CompilerDetectedBits() & routine.needs) == routine.needs;
        EXPECT_EQ(runs, mt_routine_supported(routine)) << routine.name;
        if (runs) expected = &routine;
    }
    MtGenerator generator(1);
    EXPECT_EQ(expected->regenerate, generator.handle->regenerate) << expected->name;
    EXPECT_EQ(expected, &mt_widest_routine());
}

// Small blocks in between shift where malloc puts the next generator, so an
// aligned and an unaligned start of the block are both likely.
TEST(MtGenerator, AlignedRecordFreedWithItsBlockAndSeededByTheSecond) {
    std::vector<std::unique_ptr<MtGenerator>> generators;
    std::vector<std::unique_ptr<char[]>> spacers;
    for (std::uint32_t i = 0; i < 64; ++i) {
        spacers.emplace_back(new char[1 + i % 13]);
        generators.push_back(std::make_unique<MtGenerator>(i));
        const MtState* g = generators.back()->handle;
        const auto record = reinterpret_cast<std::uintptr_t>(g);
        const auto block = reinterpret_cast<std::uintptr_t>(g->raw_block);
        EXPECT_TRUE(record % 16 == 0 && block <= record && record < block + 16) << record - block;
    }
    // mt_destroy frees raw_block, not the record, and leaves the handle to its
    // holder. A record 16 bytes into its block makes freeing the wrong address
    // an invalid free under ASan, and not freeing it a leak at exit.
    void* const block = std::malloc(sizeof(MtState) + 32);
    ASSERT_NE(nullptr, block);
    MtGenerator holder(7);
    MtState* const own = holder.handle;
    holder.handle = reinterpret_cast<MtState*>(static_cast<unsigned char*>(block) + 16);
    holder.handle->raw_block = block;
    MtState* const placed = holder.handle;
    EXPECT_EQ(0, mt_destroy(&holder));
    EXPECT_EQ(placed, holder.handle);
    holder.handle = own;
    // The clock may tick between reading it here and in the constructor.
    const std::time_t before = std::time(nullptr);
    MtGenerator generator;
    const std::time_t after = std::time(nullptr);
    const std::uint32_t first = mt_next(generator.handle);
    const auto first_for = [](std::time_t t) { return std::mt19937(std::uint32_t(t))(); };
    EXPECT_TRUE(first == first_for(before) || first == first_for(after)) << first;
}

class MtRoutine : public ::testing::TestWithParam<MtRoutineEntry> {
  protected:
    void SetUp() override {
        if (!mt_routine_supported(GetParam())) GTEST_SKIP() << "not on this processor";
    }
    std::unique_ptr<MtGenerator> Make(std::uint32_t seed) const {
        auto holder = std::make_unique<MtGenerator>(seed);
        holder->handle->regenerate = GetParam().regenerate;
        return holder;
    }
};

TEST_P(MtRoutine, MatchesStdMt19937AcrossRegenerations) {
    const zentrail::test::TestSeed test_seed;
    std::mt19937 random(test_seed.value());
    std::vector<std::uint32_t> seeds = {0u, 1u, 5489u, 4294967295u, 0x80000000u, 0x7FFFFFFFu};
    for (int i = 0; i < 8; ++i) seeds.push_back(static_cast<std::uint32_t>(random()));
    for (const std::uint32_t seed : seeds) {
        const auto generator = Make(seed);
        std::mt19937 oracle(seed);
        for (std::uint32_t i = 0; i < 5 * kMtWords + 5; ++i) {
            ASSERT_EQ(oracle(), mt_next(generator->handle)) << "seed " << seed << " value " << i;
        }
    }
}

// Counts the regenerations mt_next asks for; one test thread, plain statics.
MtRegenerate counted_routine = nullptr;
int regenerations = 0;

void CountingRegenerate(MtState* generator) {
    ++regenerations;
    counted_routine(generator);
    EXPECT_EQ(0u, generator->index) << "a routine resets the index";
}

// Regeneration on the first value and every 624th; and the MMX registers
// share the x87 stack, so a routine that leaves it full breaks long double.
TEST_P(MtRoutine, RegeneratesEvery624thValueAndLeavesX87Usable) {
    const auto generator = Make(5489u);
    MtState* const g = generator->handle;
    counted_routine = GetParam().regenerate;
    regenerations = 0;
    g->regenerate = CountingRegenerate;
    for (std::uint32_t call = 1; call <= 4 * kMtWords + 1; ++call) {
        mt_next(g);
        ASSERT_EQ(static_cast<int>((call - 1) / kMtWords + 1), regenerations) << "call " << call;
        ASSERT_EQ((call - 1) % kMtWords + 1, g->index) << "call " << call;
    }
    volatile long double a = 1.5L;
    volatile long double b = 2.25L;
    EXPECT_EQ(3.375L, a * b);
}

INSTANTIATE_TEST_SUITE_P(Table, MtRoutine, ::testing::ValuesIn(kMtRoutines),
                         [](const auto& routine) { return std::string(routine.param.name); });

}  // namespace
