#include <cstdio>

#include "loomkit/platform_report.h"

// Without a debugger channel, a shell to open files or message boxes, the
// log file and the exit code are the whole report; message text goes to
// standard error so that it is not lost.
namespace loomkit::platform {

void debugger_output(const char*) {}
void pause_before_showing_log() {}
void open_with_shell(const char*) {}
void show_assertion_notice() {}

std::int32_t message_box(const char* text) {
    std::fprintf(stderr, "%s\n", text);
    return 0;
}

}  // namespace loomkit::platform
