// The benchmark program of the 32-bit build (Google Benchmark has no mingw
// package): verifies every contender, then times them round-robin.
//
//   zentrail-bench-rounds [--rounds N] [--batch-ms X]
//
// Prints one line per contender: name, operations per batch, minimum and
// median nanoseconds per operation. Exit code 1 when a contender's output is
// wrong (nothing is timed then), 2 for bad usage.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "round_robin.h"
#include "tag/cpu_features.h"

namespace {

bool parse_number(const char* text, double low, double high, double& value) {
    char* end = nullptr;
    value = std::strtod(text, &end);
    return end != text && *end == '\0' && value >= low && value <= high;
}

int usage() {
    std::fputs("usage: zentrail-bench-rounds [--rounds N] [--batch-ms X]\n", stderr);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    zentrail_bench::RoundOptions options;
    for (int i = 1; i < argc; ++i) {
        double value = 0;
        if (std::strcmp(argv[i], "--rounds") == 0 && i + 1 < argc &&
            parse_number(argv[i + 1], 1, 100000, value)) {
            options.rounds = static_cast<int>(value);
            ++i;
        } else if (std::strcmp(argv[i], "--batch-ms") == 0 && i + 1 < argc &&
                   parse_number(argv[i + 1], 0.001, 10000, value)) {
            options.batch_seconds = value / 1000;
            ++i;
        } else {
            return usage();
        }
    }

    const std::vector<zentrail_bench::Contender> contenders = zentrail_bench::make_contenders();
    const std::vector<std::string> failures = zentrail_bench::verify_all(contenders);
    for (const std::string& failure : failures) std::fprintf(stderr, "WRONG %s\n", failure.c_str());
    if (!failures.empty()) return 1;

    std::printf("# %zu contenders verified; %d rounds, batches of about %.3g ms\n",
                contenders.size(), options.rounds, options.batch_seconds * 1000);
    std::printf("# processor feature word 0x%02X\n",
                static_cast<unsigned>(cpu_feature_bits()) & 0xFFu);
    std::printf("# %-30s %12s %14s %14s\n", "contender", "ops/batch", "min ns/op", "median ns/op");
    std::fflush(stdout);
    for (const zentrail_bench::Timing& t : zentrail_bench::run_rounds(contenders, options)) {
        std::printf("%-32s %12llu %14.2f %14.2f\n", t.name.c_str(),
                    static_cast<unsigned long long>(t.ops_per_batch), t.min_ns, t.median_ns);
    }
    return 0;
}
