// The benchmark program of the native build, on Google Benchmark: every
// contender is verified first (exit code 1 and nothing timed when one is
// wrong), then registered. One benchmark iteration is one operation (run in
// batches); use
// repetitions with random interleaving and read the min and median aggregates.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <memory>

#include "round_robin.h"

int main(int argc, char** argv) {
    auto contenders =
        std::make_shared<std::vector<zentrail_bench::Contender>>(zentrail_bench::make_contenders());
    const std::vector<std::string> failures = zentrail_bench::verify_all(*contenders);
    for (const std::string& failure : failures) std::fprintf(stderr, "WRONG %s\n", failure.c_str());
    if (!failures.empty()) return 1;

    for (std::size_t i = 0; i < contenders->size(); ++i) {
        // Batches of some microseconds keep the call through std::function
        // out of the figures of the short operations.
        const std::uint64_t batch = zentrail_bench::calibrate((*contenders)[i], 20e-6);
        benchmark::RegisterBenchmark((*contenders)[i].name.c_str(), [contenders, i, batch](
                                                                        benchmark::State& state) {
            const zentrail_bench::Contender& c = (*contenders)[i];
            while (state.KeepRunningBatch(static_cast<benchmark::IterationCount>(batch))) {
                benchmark::DoNotOptimize(c.run(batch));
            }
        })->ComputeStatistics("min", [](const std::vector<double>& v) {
            return *std::min_element(v.begin(), v.end());
        });
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 2;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
