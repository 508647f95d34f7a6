// The benchmarks' own checks: a fast but wrong routine must be caught before
// it is timed, and the round-robin order and statistics must be right.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <string>
#include <vector>

#include "contenders.h"
#include "round_robin.h"
#include "tag/mt_routines.h"

namespace zentrail_bench {
namespace {

// Regenerates correctly but leaves the tempering out.
void regen_untempered(MtState* g) {
    mt_regen_plain(g);
    std::memcpy(g->output, g->state, sizeof g->output);
}

// Right words, but forgets to rewind the index.
void regen_keeps_index(MtState* g) {
    const std::uint32_t index = g->index;
    mt_regen_plain(g);
    g->index = index;
}

// Right at first, then one word wrong in the second block: only a check that
// goes past the first regeneration catches it.
void regen_wrong_later(MtState* g) {
    static int calls = 0;
    mt_regen_plain(g);
    if (++calls % 4 == 2) g->output[kMtWords - 1] ^= 1u;
}

TEST(CheckRegen, AcceptsTheRoutinesAndRejectsBrokenOnes) {
    for (const MtRoutineEntry& routine : kMtRoutines) {
        if (mt_routine_supported(routine)) {
            EXPECT_EQ("", check_regen(routine.regenerate)) << routine.name;
        }
    }
    EXPECT_NE("", check_regen(regen_untempered));
    EXPECT_EQ("index not 0 after regeneration", check_regen(regen_keeps_index));
    EXPECT_NE("", check_regen(regen_wrong_later));
}

// The bit-reflected variant of zip files: a different checksum.
std::uint32_t reflected_crc(const unsigned char* bytes, std::size_t count) {
    std::uint32_t c = 0xFFFFFFFFu;
    for (std::size_t i = 0; i < count; ++i) {
        c ^= bytes[i];
        for (int bit = 0; bit < 8; ++bit) c = (c & 1u) ? (c >> 1) ^ 0xEDB88320u : c >> 1;
    }
    return ~c;
}

// An unrolled loop that drops a tail shorter than four bytes.
std::uint32_t crc_without_tail(const unsigned char* bytes, std::size_t count) {
    return reference_crc(bytes, count - count % 4);
}

// An unrolled loop that goes wrong when the start is not 4-byte aligned.
std::uint32_t crc_wrong_when_unaligned(const unsigned char* bytes, std::size_t count) {
    const std::uint32_t value = reference_crc(bytes, count);
    return reinterpret_cast<std::uintptr_t>(bytes) % 4 == 0 ? value : value ^ 1u;
}

TEST(CheckCrc, AcceptsCrc32AndRejectsBrokenOnes) {
    for (const std::size_t size : {std::size_t{16}, std::size_t{1024}}) {
        const std::vector<unsigned char> bytes = make_bytes(size);
        EXPECT_EQ("", check_crc(crc32_routine, bytes)) << size;
        EXPECT_NE("", check_crc(reflected_crc, bytes)) << size;
        EXPECT_NE("", check_crc(crc_without_tail, bytes)) << size;
        EXPECT_NE("", check_crc(crc_wrong_when_unaligned, bytes)) << size;
    }
}

TEST(Contenders, EveryContenderOfThisBuildPassesItsCheck) {
    const std::vector<Contender> contenders = make_contenders();
    EXPECT_EQ(std::vector<std::string>{}, verify_all(contenders));
    const auto has = [&contenders](const std::string& name) {
        for (const Contender& c : contenders) {
            if (c.name == name) return true;
        }
        return false;
    };
    for (const char* name :
         {"std_mt19937/624_values", "refresh/20B_name", "Crc32/16B", "boost_crc/1MiB"}) {
        EXPECT_TRUE(has(name)) << name;
    }
    // Each routine the processor runs, by the name the goals use, and no other.
    for (const MtRoutineEntry& routine : kMtRoutines) {
        const std::string name = std::string("mt_regen_") + routine.name + "/624_words";
        EXPECT_EQ(mt_routine_supported(routine), has(name)) << name;
    }
}

TEST(VerifyAll, NamesEveryWrongContender) {
    const auto right = [] { return std::string(); };
    const auto wrong = [] { return std::string("off by one"); };
    const auto run = [](std::uint64_t) { return std::uint32_t{0}; };
    const std::vector<Contender> contenders = {
        {"a", run, right}, {"b", run, wrong}, {"c", run, right}, {"d", run, wrong}};
    EXPECT_EQ((std::vector<std::string>{"b: off by one", "d: off by one"}), verify_all(contenders));
}

TEST(RunRounds, StartsEachRoundOneContenderLater) {
    std::vector<int> order;
    std::vector<Contender> contenders;
    for (int id = 0; id < 3; ++id) {
        contenders.push_back({std::string(1, static_cast<char>('a' + id)),
                              [&order, id](std::uint64_t) {
                                  order.push_back(id);
                                  // Long enough for any clock, so that one
                                  // operation fills a batch.
                                  const auto start = std::chrono::steady_clock::now();
                                  while (std::chrono::steady_clock::now() - start <
                                         std::chrono::microseconds(20)) {
                                  }
                                  return std::uint32_t{0};
                              },
                              [] { return std::string(); }});
    }
    RoundOptions options;
    options.rounds = 4;
    options.batch_seconds = 1e-6;
    const std::vector<Timing> timings = run_rounds(contenders, options);
    // Two calibration runs each, in order, then the rounds.
    EXPECT_EQ((std::vector<int>{0, 0, 1, 1, 2, 2, 0, 1, 2, 1, 2, 0, 2, 0, 1, 0, 1, 2}), order);
    ASSERT_EQ(3u, timings.size());
    for (const Timing& t : timings) {
        EXPECT_EQ(1u, t.ops_per_batch);
        EXPECT_GE(t.min_ns, 20000.0);
        EXPECT_LE(t.min_ns, t.median_ns);
    }
}

TEST(MedianOf, OddEvenAndEmpty) {
    EXPECT_EQ(3.0, median_of({5, 1, 3}));
    EXPECT_EQ(2.5, median_of({4, 1, 3, 2}));
    EXPECT_EQ(7.0, median_of({7}));
    EXPECT_EQ(0.0, median_of({}));
}

}  // namespace
}  // namespace zentrail_bench
