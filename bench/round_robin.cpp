#include "round_robin.h"

#include <algorithm>
#include <chrono>

namespace zentrail_bench {
namespace {

// Every result goes here, so that no contender's work is dead.
volatile std::uint32_t sink = 0;

double seconds_for(const Contender& contender, std::uint64_t ops) {
    const auto start = std::chrono::steady_clock::now();
    const std::uint32_t result = contender.run(ops);
    const auto stop = std::chrono::steady_clock::now();
    sink = sink + result;
    return std::chrono::duration<double>(stop - start).count();
}

std::uint64_t scaled_to(std::uint64_t ops, double seconds, double target) {
    const double scaled = static_cast<double>(ops) * target / std::max(seconds, 1e-9);
    return std::max<std::uint64_t>(1, static_cast<std::uint64_t>(scaled));
}

}  // namespace

// Grows the batch until it lasts a quarter of the target, then sizes it from
// a second, warm measurement: the first runs pay for cold caches and page
// faults, and would make batches too small.
std::uint64_t calibrate(const Contender& contender, double target) {
    std::uint64_t ops = 1;
    double seconds = seconds_for(contender, ops);
    while (seconds < target / 4 && ops < (std::uint64_t{1} << 40)) {
        const double factor = seconds > 0 ? target / 4 / seconds : 16;
        ops *= std::max<std::uint64_t>(2, static_cast<std::uint64_t>(factor));
        seconds = seconds_for(contender, ops);
    }
    ops = scaled_to(ops, seconds, target);
    return scaled_to(ops, seconds_for(contender, ops), target);
}

std::vector<std::string> verify_all(const std::vector<Contender>& contenders) {
    std::vector<std::string> failures;
    for (const Contender& contender : contenders) {
        const std::string wrong = contender.verify();
        if (!wrong.empty()) failures.push_back(contender.name + ": " + wrong);
    }
    return failures;
}

std::vector<Timing> run_rounds(const std::vector<Contender>& contenders,
                               const RoundOptions& options) {
    const std::size_t count = contenders.size();
    std::vector<Timing> timings(count);
    for (std::size_t i = 0; i < count; ++i) {
        timings[i].name = contenders[i].name;
        timings[i].ops_per_batch = calibrate(contenders[i], options.batch_seconds);
    }
    const int rounds = std::max(1, options.rounds);
    std::vector<std::vector<double>> samples(count);
    for (int round = 0; round < rounds; ++round) {
        for (std::size_t step = 0; step < count; ++step) {
            const std::size_t i = (step + static_cast<std::size_t>(round)) % count;
            const std::uint64_t ops = timings[i].ops_per_batch;
            samples[i].push_back(seconds_for(contenders[i], ops) * 1e9 / static_cast<double>(ops));
        }
    }
    for (std::size_t i = 0; i < count; ++i) {
        timings[i].min_ns = *std::min_element(samples[i].begin(), samples[i].end());
        timings[i].median_ns = median_of(samples[i]);
    }
    return timings;
}

double median_of(std::vector<double> values) {
    if (values.empty()) return 0;
    const std::size_t middle = values.size() / 2;
    std::nth_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(middle),
                     values.end());
    const double upper = values[middle];
    if (values.size() % 2 != 0) return upper;
    const double lower =
        *std::max_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(middle));
    return (lower + upper) / 2;
}

}  // namespace zentrail_bench
