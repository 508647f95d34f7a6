#pragma once
#include <cstdint>

// The platform's side of reporting a failed check and of the plain message
// box. Where a platform has no such facility the step does nothing.
namespace loomkit::platform {

void debugger_output(const char* text);
void pause_before_showing_log();
void open_with_shell(const char* file);
void show_assertion_notice();
std::int32_t message_box(const char* text);

}  // namespace loomkit::platform
