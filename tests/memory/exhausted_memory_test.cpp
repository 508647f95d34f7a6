// Every allocation of the portable paths fails in turn, one run per site:
// each run must end in the documented result, and LeakSanitizer (the native
// build's ASan) must find nothing left behind at exit.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
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
#include "tag_tool.h"

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

// zentrail-tag, names from the arguments and from standard input: with any
// one allocation refused, it either writes every line or ends with exit
// code 1 and one line saying why, and what it wrote are whole, right lines.
class ToolStream {
  public:
    ToolStream() : file_(std::tmpfile()) {
        // A buffer of our own: stdio's would be one more allocation to refuse.
        if (file_ != nullptr) std::setvbuf(file_, buffer_, _IOFBF, sizeof buffer_);
    }
    ~ToolStream() {
        if (file_ != nullptr) std::fclose(file_);
    }
    ToolStream(const ToolStream&) = delete;
    ToolStream& operator=(const ToolStream&) = delete;

    std::FILE* get() const { return file_; }
    void Reset(const std::string& content) {
        std::fflush(file_);
        std::rewind(file_);
        ASSERT_EQ(0, ftruncate(fileno(file_), 0));
        std::fwrite(content.data(), 1, content.size(), file_);
        std::fflush(file_);
        std::rewind(file_);
    }
    std::string Content() {
        std::fflush(file_);
        std::rewind(file_);
        std::string content;
        char chunk[4096];
        for (std::size_t got; (got = std::fread(chunk, 1, sizeof chunk, file_)) > 0;) {
            content.append(chunk, got);
        }
        return content;
    }

  private:
    std::FILE* file_;
    char buffer_[BUFSIZ];
};

struct ToolCase {
    const char* name;
    std::vector<const char*> argv;
    std::string input;
};

std::ostream& operator<<(std::ostream& out, const ToolCase& c) { return out << c.name; }

class ToolWithoutMemory : public ::testing::TestWithParam<ToolCase> {};

TEST_P(ToolWithoutMemory, WritesEveryLineOrSaysOutOfMemoryAfterWholeLines) {
    ToolStream in;
    ToolStream out;
    ToolStream err;
    ASSERT_NE(nullptr, in.get());
    ASSERT_NE(nullptr, out.get());
    ASSERT_NE(nullptr, err.get());
    const std::vector<const char*>& argv = GetParam().argv;
    int code = -1;
    const auto run = [&] {
        code = RunTagToolCommand(static_cast<int>(argv.size()), argv.data(), in.get(), out.get(),
                                 err.get());
    };
    ASSERT_NO_FATAL_FAILURE(in.Reset(GetParam().input));
    const long sites = Sites(run);
    ASSERT_EQ(0, code) << err.Content();
    const std::string all = out.Content();
    ASSERT_EQ("", err.Content());
    // The worked examples: one name with a code, one (empty) without.
    ASSERT_EQ("x_1Qafmj\nx_2657703298\n", all);
    for (long site = 1; site <= sites; ++site) {
        SCOPED_TRACE("allocation " + std::to_string(site) + " of " + std::to_string(sites));
        ASSERT_NO_FATAL_FAILURE(in.Reset(GetParam().input));
        ASSERT_NO_FATAL_FAILURE(out.Reset(""));
        ASSERT_NO_FATAL_FAILURE(err.Reset(""));
        code = -1;
        const Outcome outcome = RunFailing(site, run);
        ASSERT_TRUE(outcome.refused);
        EXPECT_EQ(Outcome::kReturned, outcome.kind) << outcome.message;
        const std::string written = out.Content();
        if (code == 0) {
            EXPECT_EQ(all, written);
            EXPECT_EQ("", err.Content());
            continue;
        }
        EXPECT_EQ(1, code);
        EXPECT_EQ("zentrail-tag: out of memory\n", err.Content());
        EXPECT_TRUE(written.empty() || (all.rfind(written, 0) == 0 && written.back() == '\n'))
            << "written: " << ::testing::PrintToString(written);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Runs, ToolWithoutMemory,
    ::testing::Values(
        ToolCase{"Arguments", {"zentrail-tag", "--time", "1234567890", "x", "abc", ""}, ""},
        ToolCase{"StandardInput", {"zentrail-tag", "--time=1234567890", "x"}, "abc\r\n\n"}),
    [](const ::testing::TestParamInfo<ToolCase>& param) { return param.param.name; });

}  // namespace
