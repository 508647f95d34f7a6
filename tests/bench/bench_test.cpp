// The benchmarks' own checks: a fast but wrong routine must be caught before
// it is timed.
#include <gtest/gtest.h>

#include <algorithm>
#include <boost/crc.hpp>
#include <cstring>
#include <string>
#include <vector>

#include "contenders.h"
#include "round_robin.h"
#include "tag/mt_routines.h"

namespace zentrail_bench {
namespace {

void regen_untempered(MtState* g) {
    mt_regen_plain(g);
    std::memcpy(g->output, g->state, sizeof g->output);
}

void regen_keeps_index(MtState* g) {
    const std::uint32_t index = g->index;
    mt_regen_plain(g);
    g->index = index;
}

// Wrong only in the second block: a check must go past the first regeneration.
void regen_wrong_later(MtState* g) {
    static int calls = 0;
    mt_regen_plain(g);
    if (++calls % 4 == 2) g->output[kMtWords - 1] ^= 1u;
}

// The bit-reflected variant of zip files: a different checksum.
std::uint32_t reflected_crc(const unsigned char* bytes, std::size_t count) {
    return boost::crc<32, 0x04C11DB7, 0xFFFFFFFF, 0xFFFFFFFF, true, true>(bytes, count);
}

std::uint32_t crc_without_tail(const unsigned char* bytes, std::size_t count) {
    return reference_crc(bytes, count - count % 4);
}

std::uint32_t crc_wrong_when_unaligned(const unsigned char* bytes, std::size_t count) {
    const std::uint32_t value = reference_crc(bytes, count);
    return reinterpret_cast<std::uintptr_t>(bytes) % 4 == 0 ? value : value ^ 1u;
}

TEST(Checks, AcceptTheRoutinesRejectBrokenOnesAndNameTheWrongContender) {
    for (const MtRoutineEntry& routine : kMtRoutines) {
        if (mt_routine_supported(routine)) {
            EXPECT_EQ("", check_regen(routine.regenerate)) << routine.name;
        }
    }
    EXPECT_NE("", check_regen(regen_untempered));
    EXPECT_EQ("index not 0 after regeneration", check_regen(regen_keeps_index));
    EXPECT_NE("", check_regen(regen_wrong_later));
    for (const std::size_t size : {std::size_t{16}, std::size_t{1024}}) {
        const std::vector<unsigned char> bytes = make_bytes(size);
        EXPECT_EQ("", check_crc(crc32_routine, bytes)) << size;
        for (const CrcRoutine wrong : {reflected_crc, crc_without_tail, crc_wrong_when_unaligned}) {
            EXPECT_NE("", check_crc(wrong, bytes)) << size;
        }
    }
    // Every contender of this build passes; a wrong one is named. Each routine
    // the processor runs is there by the name the goals use, and no other.
    std::vector<Contender> contenders = make_contenders();
    EXPECT_EQ(std::vector<std::string>{}, verify_all(contenders));
    std::vector<std::string> names;
    for (const Contender& c : contenders) names.push_back(c.name);
    const auto has = [&names](const std::string& name) {
        return std::count(names.begin(), names.end(), name) == 1;
    };
    for (const char* name :
         {"std_mt19937/624_values", "refresh/20B_name", "Crc32/16B", "boost_crc/1MiB"}) {
        EXPECT_TRUE(has(name)) << name;
    }
    for (const MtRoutineEntry& routine : kMtRoutines) {
        const std::string name = std::string("mt_regen_") + routine.name + "/624_words";
        EXPECT_EQ(mt_routine_supported(routine), has(name)) << name;
    }
    const auto run = [](std::uint64_t) { return std::uint32_t{0}; };
    contenders.insert(contenders.begin() + 1, {"b", run, [] { return std::string("off"); }});
    contenders.push_back({"d", run, [] { return std::string("off"); }});
    EXPECT_EQ((std::vector<std::string>{"b: off", "d: off"}), verify_all(contenders));
}

}  // namespace
}  // namespace zentrail_bench
