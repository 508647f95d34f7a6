#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The command line of zentrail-tag:  [--time SECONDS] TAG [NAME...]
struct TagToolOptions {
    enum class Action { kRun, kHelp, kVersion, kUsageError };

    Action action = Action::kRun;
    std::string error;                  // one line, for kUsageError
    std::optional<std::uint32_t> time;  // seconds since 1970 for the fallback
    std::string tag;
    std::vector<std::string> names;  // empty: names come from standard input
};

TagToolOptions ParseTagToolOptions(int argc, const char* const* argv);

// A decimal 0..4294967295, digits only.
std::optional<std::uint32_t> ParseSeconds(const std::string& text);
