#include "loomkit/assertion.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "loomkit/platform_report.h"

namespace loomkit {

namespace {

constexpr std::size_t kMessageSize = 1024;
constexpr std::size_t kRecordSize = 2048;
constexpr char kLogFileName[] = "ERROR_TEMP.txt";

}  // namespace

void report_assertion(const char* check, const char* file, std::int32_t line, const char* format,
                      ...) {
    char message[kMessageSize] = {};
    char record[kRecordSize] = {};
    if (format != nullptr) {
        va_list arguments;
        va_start(arguments, format);
        std::vsnprintf(message, sizeof message, format, arguments);
        va_end(arguments);
    } else {
        std::snprintf(message, sizeof message, "%s", "No message\n");
    }
    std::snprintf(record, sizeof record,
                  "LOOMKIT_ASSERT(%s):\nfile:%s / \n line:%d / \n message: %s", check, file,
                  static_cast<int>(line), message);

    platform::debugger_output(record);
    // Text mode: on Windows every line feed reaches the file as CR LF.
    if (std::FILE* log = std::fopen(kLogFileName, "at")) {
        std::fputs(record, log);
        std::fclose(log);
        platform::pause_before_showing_log();
    }
    platform::open_with_shell(kLogFileName);
    platform::show_assertion_notice();
    std::exit(-1);
}

std::int32_t show_message(const char* format, ...) {
    char text[kMessageSize] = {};
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(text, sizeof text, format, arguments);
    va_end(arguments);
    return platform::message_box(text);
}

}  // namespace loomkit

// Boost's failed internal checks (BOOST_ENABLE_ASSERT_HANDLER, set for the
// whole project) end up here.
namespace boost {

void assertion_failed(const char* expr, const char* /*function*/, const char* file, long line) {
    loomkit::report_assertion(expr, file, static_cast<std::int32_t>(line), "(unknown)");
}

void assertion_failed_msg(const char* expr, const char* /*msg*/, const char* /*function*/,
                          const char* file, long line) {
    loomkit::report_assertion(expr, file, static_cast<std::int32_t>(line), "(unknown)");
}

}  // namespace boost
