#pragma once
#include <cstdint>

// Processor feature word, worked out on the first call and kept for the
// process. Bit 0x01 is always set once detected.
constexpr std::int32_t kCpuDetected = 0x01;
constexpr std::int32_t kCpuMmx = 0x02;
constexpr std::int32_t kCpuSse = 0x08;   // cleared when the OS faults on SSE
constexpr std::int32_t kCpuSse2 = 0x80;  // cleared with kCpuSse

std::int32_t cpu_feature_bits();
