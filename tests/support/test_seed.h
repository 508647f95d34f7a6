#pragma once
// The seed of a test that draws random inputs: ZENTRAIL_TEST_SEED when set,
// else a fresh one. Printed (a crash may end the run before it reports),
// recorded and traced in every failure, so that ZENTRAIL_TEST_SEED=N reruns
// the failing inputs.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

namespace zentrail::test {

inline std::uint32_t ChooseSeed() {
    const char* given = std::getenv("ZENTRAIL_TEST_SEED");
    const auto seed = static_cast<std::uint32_t>(given && *given ? std::strtoul(given, nullptr, 10)
                                                                 : std::random_device{}());
    std::printf("ZENTRAIL_TEST_SEED=%u\n", static_cast<unsigned>(seed));
    std::fflush(stdout);
    ::testing::Test::RecordProperty("seed", std::to_string(seed));
    return seed;
}

struct TestSeed {
    TestSeed(const char* file = __builtin_FILE(), int line = __builtin_LINE())
        : value_(ChooseSeed()),
          trace_(file, line, "ZENTRAIL_TEST_SEED=" + std::to_string(value_)) {}
    std::uint32_t value() const { return value_; }
    std::uint32_t value_;
    ::testing::ScopedTrace trace_;
};

}  // namespace zentrail::test
