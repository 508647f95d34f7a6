#include "tag/cpu_features.h"

#include <cstdint>

#if defined(__i386__) || defined(__x86_64__)
#include <cpuid.h>
#endif
#if defined(__i386__)
#include <csetjmp>
#include <csignal>
#endif

namespace {

// -1 until the first call works the word out. Written once, by the first
// generator's creation on the GUI thread.
std::int32_t feature_word = -1;

constexpr std::uint32_t kEdxMmx = 1u << 23;
constexpr std::uint32_t kEdxSse = 1u << 25;
constexpr std::uint32_t kEdxSse2 = 1u << 26;

#if defined(__i386__) || defined(__x86_64__)
std::int32_t bits_from_edx(std::uint32_t edx) {
    std::int32_t bits = 0;
    if (edx & kEdxMmx) bits |= kCpuMmx;
    if (edx & kEdxSse) bits |= kCpuSse;
    if (edx & kEdxSse2) bits |= kCpuSse2;
    return bits;
}
#endif

#if defined(__i386__)

constexpr std::uint32_t kEflagsAlignmentCheck = 1u << 18;  // missing before the 486
constexpr std::uint32_t kEflagsId = 1u << 21;              // CPUID present
constexpr std::uint32_t kSseProbeControl = 0x9F80;

// Sets the flag, reads EFLAGS back and restores the original; true when the
// flag stayed set.
bool eflags_flag_sticks(std::uint32_t flag) {
    std::uint32_t original;
    std::uint32_t changed;
    __asm__ volatile(
        "pushfl\n\t"
        "popl %0\n\t"
        "movl %0, %1\n\t"
        "orl %2, %1\n\t"
        "pushl %1\n\t"
        "popfl\n\t"
        "pushfl\n\t"
        "popl %1\n\t"
        "pushl %0\n\t"
        "popfl"
        : "=&r"(original), "=&r"(changed)
        : "r"(flag)
        : "cc");
    return (changed & flag) != 0;
}

std::jmp_buf sse_probe_jump;

void on_sse_probe_fault(int) {
    std::signal(SIGILL, SIG_DFL);
    std::longjmp(sse_probe_jump, 1);
}

// An operating system that does not save the SSE registers on task switches
// leaves SSE disabled, and the first SSE instruction faults.
bool operating_system_runs_sse() {
    if (setjmp(sse_probe_jump) != 0) return false;
    std::signal(SIGILL, on_sse_probe_fault);
    // The probe value turns on flush-to-zero; put back what the process had so
    // that detection leaves no trace on later float arithmetic.
    std::uint32_t saved;
    const std::uint32_t probe = kSseProbeControl;
    __asm__ volatile("stmxcsr %0" : "=m"(saved));
    __asm__ volatile("ldmxcsr %0" : : "m"(probe));
    __asm__ volatile("ldmxcsr %0" : : "m"(saved));
    std::signal(SIGILL, SIG_DFL);
    return true;
}

std::int32_t processor_bits() {
    if (!eflags_flag_sticks(kEflagsAlignmentCheck)) return 0;  // 386
    if (!eflags_flag_sticks(kEflagsId)) return 0;              // no CPUID
    unsigned eax, ebx, ecx, edx;
    __cpuid(1, eax, ebx, ecx, edx);
    if (((eax >> 8) & 0xFFu) == 4) return 0;  // 486
    return bits_from_edx(edx);
}

#endif  // __i386__

}  // namespace

std::int32_t cpu_feature_bits() {
    if (feature_word != -1) return feature_word;
#if defined(__i386__)
    feature_word = kCpuDetected | processor_bits();
    if ((feature_word & kCpuSse) && !operating_system_runs_sse()) {
        feature_word &= ~(kCpuSse | kCpuSse2);
    }
#elif defined(__x86_64__)
    // CPUID and SSE2 are part of the architecture, and every 64-bit system
    // saves the SSE registers: no flag tests, no probe.
    unsigned eax, ebx, ecx, edx;
    __cpuid(1, eax, ebx, ecx, edx);
    feature_word = kCpuDetected | bits_from_edx(edx);
#else
    feature_word = kCpuDetected;
#endif
    return feature_word;
}
