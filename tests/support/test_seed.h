#pragma once
// The seed of a test that draws random inputs: ZENTRAIL_TEST_SEED when it is
// set, else a fresh one from std::random_device. It is printed, recorded as
// the test's "seed" property and traced in every failure inside the object's
// scope, so that ZENTRAIL_TEST_SEED=N reruns the failing inputs exactly.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

namespace zentrail::test {

class TestSeed {
  public:
    explicit TestSeed(const char* file = __builtin_FILE(), int line = __builtin_LINE())
        : value_(Choose()), trace_(file, line, Describe(value_)) {
        ::testing::Test::RecordProperty("seed", std::to_string(value_));
        // Printed as well, for a run that crashes before it can report.
        std::printf("%s\n", Describe(value_).c_str());
        std::fflush(stdout);
    }
    TestSeed(const TestSeed&) = delete;
    TestSeed& operator=(const TestSeed&) = delete;

    std::uint32_t value() const { return value_; }

  private:
    static std::uint32_t Choose() {
        const char* given = std::getenv("ZENTRAIL_TEST_SEED");
        if (given == nullptr || *given == '\0') return std::random_device{}();
        char* end = nullptr;
        const unsigned long long value = std::strtoull(given, &end, 10);
        if (*given < '0' || *given > '9' || *end != '\0' || value > 0xFFFFFFFFull) {
            ADD_FAILURE() << "ZENTRAIL_TEST_SEED=" << given << " is not a 32-bit unsigned number";
            return 0;
        }
        return static_cast<std::uint32_t>(value);
    }

    static std::string Describe(std::uint32_t seed) {
        const std::string text = std::to_string(seed);
        return "seed " + text + " (ZENTRAIL_TEST_SEED=" + text + " reruns it)";
    }

    std::uint32_t value_;
    ::testing::ScopedTrace trace_;
};

}  // namespace zentrail::test
