// Every allocation of the portable paths fails in turn, one run per site:
// each run must end in the documented result, and LeakSanitizer (the native
// build's ASan) must find nothing left behind at exit.
#include <gtest/gtest.h>

#include <cstring>
#include <exception>
#include <functional>
#include <new>
#include <random>
#include <string>
#include <vector>

#include "failing_allocator.h"
#include "loomkit/array_to_string.h"
#include "loomkit/decimal_text.h"
#include "loomkit/window_text.h"
#include "memory_file.h"
#include "reference_code.h"
#include "tag/tag_composer.h"
#include "tag_tool.h"

namespace {

using Run = std::function<std::string()>;

// What a run gave with allocation fail_at refused (0: none), and how many it
// asked for; an exception is looked at once the allocator is off, since
// copying its message allocates.
std::string RunFailing(long fail_at, const Run& run, long* count) {
    std::string result;
    std::exception_ptr error;
    bool refused = false;
    {
        zentrail::test::FailingAllocator allocator(fail_at);
        try {
            result = run();
        } catch (...) {
            error = std::current_exception();
        }
        *count = allocator.count();
        refused = allocator.failed();
    }
    if (fail_at > 0 && !refused) return "allocation not reached";
    if (error == nullptr) return result;
    try {
        std::rethrow_exception(error);
    } catch (const std::bad_alloc&) {
        return "bad_alloc";
    } catch (const std::exception& failure) {
        return std::string("error: ") + failure.what();
    }
}

// The run with nothing refused, then with each of its allocations refused.
void Sweep(const Run& run, const std::string& clean,
           const std::function<std::string(long site, long sites)>& refused_gives) {
    long sites = 0, count = 0;
    ASSERT_EQ(clean, RunFailing(0, run, &sites));
    ASSERT_GT(sites, 0) << "the path allocates nothing: the harness did not see it";
    for (long site = 1; site <= sites; ++site) {
        const std::string result = RunFailing(site, run, &count);
        EXPECT_EQ(refused_gives(site, sites), result) << "allocation " << site << " of " << sites;
    }
}

const std::string kLongName = "a name well beyond the short-string buffer";
const std::string kWithPair = std::string("lone \0 nul, then a pair \0\0 and more", 35);

std::string Convert(const std::string& text, bool strict) {
    return loomkit::array_to_string::convert(text.data(), static_cast<std::uint32_t>(text.size()),
                                             strict);
}

// A text source that allocates nothing itself.
struct FixedSource : loomkit::text_source {
    std::int32_t TextLength() const override { return static_cast<std::int32_t>(kLongName.size()); }
    void CopyText(char* buffer, std::int32_t size) const override {
        std::strncpy(buffer, kLongName.c_str(), static_cast<std::size_t>(size));
    }
};

// Paths whose every allocation is a string or formatter of the C++ heap.
TEST(ExhaustedMemory, EveryPathEndsInItsDocumentedResult) {
    const auto bad_alloc = [](long, long) { return std::string("bad_alloc"); };
    Sweep([] { return loomkit::to_decimal_text(4294967295u); }, "4294967295", bad_alloc);
    Sweep([] { return Convert(kWithPair, false); },
          kWithPair.substr(0, kWithPair.find(std::string(2, '\0')) + 1), bad_alloc);
    Sweep([] { return Convert(kLongName, true); }, kLongName, bad_alloc);
    // The strict conversion's own error needs its message: bad_alloc when
    // that memory cannot be had either.
    Sweep([] { return Convert(kWithPair, true); },
          "error: array_to_string::convert function: cannot convert", bad_alloc);
    static MtGenerator made_before(7u);
    Sweep([] { return ComposeTag(kLongName, kLongName, made_before); },
          zentrail::soak::ReferenceOutput(kLongName, kLongName), bad_alloc);
    // The generator's block is the first allocation: without it no number,
    // and no exception.
    Sweep(
        [] {
            MtGenerator random(1u);
            return (random.handle == nullptr ? "null " : "") + ComposeTag("tag", "", random);
        },
        "tag_" + std::to_string(std::mt19937(1u)()),
        [](long site, long) { return site == 1 ? "null tag_" : "bad_alloc"; });
    // The window text's buffer first, as scoped_buffer's error; the caller's
    // text is left.
    Sweep(
        [] {
            std::string out = "unchanged";
            try {
                loomkit::window_text_to_string(FixedSource(), out);
            } catch (...) {
                if (out == "unchanged") throw;
            }
            return out;
        },
        kLongName,
        [](long site, long) -> std::string {
            if (site > 1) return "bad_alloc";
            return "error: scoped_buffer_base::Allocate() Output Memory" +
                   std::to_string(kLongName.size() + 1) + "byte";
        });
    // zentrail-tag, names from the arguments and from standard input: it writes
    // every line, or whole lines and then exit code 1 and why.
    const std::string all = "x_1Qafmj\nx_2657703298\n";
    const struct {
        std::vector<const char*> argv;
        std::string input;
    } cases[] = {{{"zentrail-tag", "--time", "1234567890", "x", "abc", ""}, ""},
                 {{"zentrail-tag", "--time=1234567890", "x"}, "abc\r\n\n"}};
    for (const auto& c : cases) {
        zentrail::test::MemoryFile in, out, err;
        // Only the exit code comes back: reading the output would allocate.
        const auto run = [&] {
            EXPECT_TRUE(in.Reset(c.input) && out.Reset("") && err.Reset(""));
            return std::to_string(RunTagToolCommand(static_cast<int>(c.argv.size()), c.argv.data(),
                                                    in.get(), out.get(), err.get()));
        };
        ASSERT_EQ("0", run());
        ASSERT_EQ(all, out.Contents());
        Sweep(run, "0", [&](long site, long sites) {
            const std::string written = out.Contents();
            const std::string said = err.Contents();
            if (written == all && said.empty()) return "0";
            // The last allocation is the second line's number: the first
            // line was made and must not be lost.
            EXPECT_TRUE(site < sites || written == "x_1Qafmj\n") << written;
            EXPECT_EQ("zentrail-tag: out of memory\n", said);
            EXPECT_TRUE(all.rfind(written, 0) == 0 && (written.empty() || written.back() == '\n'))
                << ::testing::PrintToString(written);
            return "1";
        });
    }
}

}  // namespace
