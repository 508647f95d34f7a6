#pragma once
#include <cstdint>

namespace loomkit {

// Logs a failed check to the debugger output and appends it to
// "ERROR_TEMP.txt", shows the log and a notice where the platform has them,
// then ends the process with exit code -1.
[[noreturn]] void report_assertion(const char* check, const char* file, std::int32_t line,
                                   const char* format, ...);

// printf-style text in a plain "Message" box; the box's result.
std::int32_t show_message(const char* format, ...);

}  // namespace loomkit

#define LOOMKIT_ASSERT(check)       \
    ((check) ? static_cast<void>(0) \
             : ::loomkit::report_assertion(#check, __FILE__, __LINE__, nullptr))
