#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "contenders.h"

// Times contenders side by side on a shared, noisy machine: each round runs
// one batch of every contender, the starting contender moving by one per
// round, so that a disturbance hits all of them alike. The minimum over the
// rounds is the best estimate of the cost; the median shows how steady it was.
namespace zentrail_bench {

struct RoundOptions {
    int rounds = 31;
    // Each contender's batch is sized to about this. Short batches: on a busy
    // machine more of them run without being preempted.
    double batch_seconds = 0.0005;
};

struct Timing {
    std::string name;
    std::uint64_t ops_per_batch = 0;
    double min_ns = 0;     // per operation
    double median_ns = 0;  // per operation
};

// "name: what is wrong" for every contender whose output is wrong.
std::vector<std::string> verify_all(const std::vector<Contender>& contenders);

// Operations per batch so that a batch of the contender lasts about seconds.
std::uint64_t calibrate(const Contender& contender, double seconds);

// Times every contender; call verify_all first.
std::vector<Timing> run_rounds(const std::vector<Contender>& contenders,
                               const RoundOptions& options);

// The middle value; the mean of the two middle ones for an even count; 0 for none.
double median_of(std::vector<double> values);

}  // namespace zentrail_bench
