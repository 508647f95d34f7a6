// Every allocation of the portable paths fails in turn, one run per site:
// each run must end in the documented result, and LeakSanitizer (the native
// build's ASan) must find nothing left behind at exit.
#include <gtest/gtest.h>

#include <cstring>
#include <exception>
#include <functional>
#include <new>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "failing_allocator.h"
#include "loomkit/array_to_string.h"
#include "loomkit/decimal_text.h"
#include "loomkit/window_text.h"
#include "tag/mt_random.h"
#include "tag/tag_composer.h"

namespace {

using zentrail::test::FailingAllocator;

// How a run ended. Filled in while the allocator is armed, read after.
struct Outcome {
    enum Kind { kReturned, kBadAlloc, kLogicError, kRuntimeError, kOther } kind = kReturned;
    std::string message;
    bool refused = false;
};

Outcome RunFailing(long site, const std::function<void()>& run, long* count = nullptr) {
    Outcome outcome;
    std::exception_ptr error;
    {
        FailingAllocator allocator(site);
        try {
            run();
        } catch (...) {
            // Looked at once the allocator is off: copying its message allocates.
            error = std::current_exception();
        }
        outcome.refused = allocator.failed();
        if (count != nullptr) *count = allocator.count();
    }
    if (error == nullptr) return outcome;
    try {
        std::rethrow_exception(error);
    } catch (const std::bad_alloc&) {
        outcome.kind = Outcome::kBadAlloc;
    } catch (const std::logic_error& failure) {
        outcome.kind = Outcome::kLogicError;
        outcome.message = failure.what();
    } catch (const std::runtime_error& failure) {
        outcome.kind = Outcome::kRuntimeError;
        outcome.message = failure.what();
    } catch (...) {
        outcome.kind = Outcome::kOther;
    }
    return outcome;
}

// The allocations of a run that nothing refuses; each of them is a site.
long Sites(const std::function<void()>& run) {
    long count = 0;
    const Outcome clean = RunFailing(0, run, &count);
    EXPECT_EQ(Outcome::kReturned, clean.kind) << clean.message;
    EXPECT_GT(count, 0) << "the path allocates nothing: the harness did not see it";
    return count;
}

// A text source that allocates nothing itself.
class FixedSource : public loomkit::text_source {
  public:
    explicit FixedSource(const char* text) : text_(text) {}
    std::int32_t TextLength() const override {
        return static_cast<std::int32_t>(std::strlen(text_));
    }
    void CopyText(char* buffer, std::int32_t size) const override {
        std::strncpy(buffer, text_, static_cast<std::size_t>(size) - 1);
        buffer[size - 1] = '\0';
    }

  private:
    const char* text_;
};

const char kLongName[] = "a name well beyond the short-string buffer";

TEST(ExhaustedMemory, GeneratorWithoutMemoryHasNoHandle) {
    bool null_handle = false;
    const auto run = [&] {
        MtGenerator random(5489u);
        null_handle = random.handle == nullptr;
    };
    const long sites = Sites(run);
    EXPECT_FALSE(null_handle);
    for (long site = 1; site <= sites; ++site) {
        SCOPED_TRACE("allocation " + std::to_string(site) + " of " + std::to_string(sites));
        const Outcome outcome = RunFailing(site, run);
        ASSERT_TRUE(outcome.refused);
        EXPECT_EQ(Outcome::kReturned, outcome.kind) << outcome.message;
        EXPECT_TRUE(null_handle);
    }
}

TEST(ExhaustedMemory, ComposeTagWithoutGeneratorGivesTagAndUnderscore) {
    std::string tag;
    const auto run = [&] {
        MtGenerator random(1u);
        tag = ComposeTag("tag", "", random);
    };
    const long sites = Sites(run);
    ASSERT_EQ("tag_" + std::to_string(std::mt19937(1u)()), tag);
    for (long site = 1; site <= sites; ++site) {
        SCOPED_TRACE("allocation " + std::to_string(site) + " of " + std::to_string(sites));
        tag = "unset";
        const Outcome outcome = RunFailing(site, run);
        ASSERT_TRUE(outcome.refused);
        if (site == 1) {
            // The generator's block: no number, no exception.
            EXPECT_EQ(Outcome::kReturned, outcome.kind) << outcome.message;
            EXPECT_EQ("tag_", tag);
        } else {
            EXPECT_EQ(Outcome::kBadAlloc, outcome.kind) << outcome.message;
            EXPECT_EQ("unset", tag);
        }
    }
}

// Paths whose every allocation is a string or formatter of the C++ heap: a
// refusal is std::bad_alloc out of the call, and the caller's result is left
// as it was.
struct BadAllocCase {
    const char* name;
    std::function<std::string()> call;
    std::string expected;
};

std::ostream& operator<<(std::ostream& out, const BadAllocCase& c) { return out << c.name; }

class BadAllocPath : public ::testing::TestWithParam<BadAllocCase> {};

TEST_P(BadAllocPath, EverySiteThrowsBadAllocAndLeavesTheResult) {
    std::string result;
    const auto run = [&] { result = GetParam().call(); };
    const long sites = Sites(run);
    ASSERT_EQ(GetParam().expected, result);
    for (long site = 1; site <= sites; ++site) {
        SCOPED_TRACE("allocation " + std::to_string(site) + " of " + std::to_string(sites));
        result = "unset";
        const Outcome outcome = RunFailing(site, run);
        ASSERT_TRUE(outcome.refused);
        EXPECT_EQ(Outcome::kBadAlloc, outcome.kind) << outcome.message;
        EXPECT_EQ("unset", result);
    }
}

const std::string kWithPair = std::string("lone \0 nul, then a pair \0\0 and more", 35);
// The generator is made outside the armed runs: its own site is covered above.
MtGenerator g_random(7u);

INSTANTIATE_TEST_SUITE_P(
    Paths, BadAllocPath,
    ::testing::Values(
        BadAllocCase{"DecimalText", [] { return loomkit::to_decimal_text(4294967295u); },
                     "4294967295"},
        BadAllocCase{"ConvertLenient",
                     [] {
                         return loomkit::array_to_string::convert(
                             kWithPair.data(), static_cast<std::uint32_t>(kWithPair.size()), false);
                     },
                     kWithPair.substr(0, kWithPair.find(std::string(2, '\0')) + 1)},
        BadAllocCase{"ConvertStrict",
                     [] {
                         return loomkit::array_to_string::convert(
                             kLongName, static_cast<std::uint32_t>(sizeof kLongName - 1), true);
                     },
                     kLongName},
        BadAllocCase{
            "ComposeTag",
            [] { return ComposeTag("a tag longer than sixteen bytes", kLongName, g_random); },
            "a tag longer than sixteen bytes_3oCTq9"}),
    [](const ::testing::TestParamInfo<BadAllocCase>& param) { return param.param.name; });

// The strict conversion's own failure needs its message: when that memory
// cannot be had either, std::bad_alloc stands in for it.
TEST(ExhaustedMemory, StrictConversionOfAPairThrowsItsErrorOrBadAlloc) {
    const auto run = [] {
        loomkit::array_to_string::convert(kWithPair.data(),
                                          static_cast<std::uint32_t>(kWithPair.size()), true);
    };
    long count = 0;
    const Outcome clean = RunFailing(0, run, &count);
    ASSERT_EQ(Outcome::kRuntimeError, clean.kind);
    ASSERT_EQ("array_to_string::convert function: cannot convert", clean.message);
    ASSERT_GT(count, 0);
    for (long site = 1; site <= count; ++site) {
        SCOPED_TRACE("allocation " + std::to_string(site) + " of " + std::to_string(count));
        const Outcome outcome = RunFailing(site, run);
        ASSERT_TRUE(outcome.refused);
        EXPECT_EQ(Outcome::kBadAlloc, outcome.kind) << outcome.message;
    }
}

TEST(ExhaustedMemory, WindowTextBufferFailureThrowsLogicErrorWithOutUnchanged) {
    const FixedSource source(kLongName);
    std::string out;
    bool returned = false;
    const auto run = [&] { returned = loomkit::window_text_to_string(source, out); };
    const long sites = Sites(run);
    ASSERT_TRUE(returned);
    ASSERT_EQ(kLongName, out);
    const std::string buffer_message =
        "scoped_buffer_base::Allocate() Output Memory" + std::to_string(sizeof kLongName) + "byte";
    for (long site = 1; site <= sites; ++site) {
        SCOPED_TRACE("allocation " + std::to_string(site) + " of " + std::to_string(sites));
        out = "unchanged";
        returned = false;
        const Outcome outcome = RunFailing(site, run);
        ASSERT_TRUE(outcome.refused);
        if (site == 1) {
            // The text buffer itself.
            EXPECT_EQ(Outcome::kLogicError, outcome.kind);
            EXPECT_EQ(buffer_message, outcome.message);
        } else {
            EXPECT_EQ(Outcome::kBadAlloc, outcome.kind) << outcome.message;
        }
        EXPECT_FALSE(returned);
        EXPECT_EQ("unchanged", out);
    }
}

}  // namespace
