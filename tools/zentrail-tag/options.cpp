#include "options.h"

#include <cstring>

namespace {

// Echoed arguments stay on one printable line.
std::string Printable(const std::string& text) {
    std::string shown;
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        shown.push_back(byte < 0x20 || byte == 0x7F ? '?' : c);
    }
    return shown;
}

TagToolOptions UsageError(std::string message) {
    TagToolOptions options;
    options.action = TagToolOptions::Action::kUsageError;
    options.error = std::move(message);
    return options;
}

}  // namespace

std::optional<std::uint32_t> ParseSeconds(const std::string& text) {
    if (text.empty()) return std::nullopt;
    std::uint64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
        if (value > 0xFFFFFFFFu) return std::nullopt;
    }
    return static_cast<std::uint32_t>(value);
}

TagToolOptions ParseTagToolOptions(int argc, const char* const* argv) {
    TagToolOptions options;
    bool have_tag = false;
    bool options_ended = false;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        // A lone "-" or anything after "--" is an operand, so that a tag or a
        // name may start with a dash.
        const bool is_option = !options_ended && argument.size() > 1 && argument[0] == '-';
        if (!is_option) {
            if (have_tag) {
                options.names.push_back(argument);
            } else {
                options.tag = argument;
                have_tag = true;
            }
            continue;
        }
        if (argument == "--") {
            options_ended = true;
        } else if (argument == "--help" || argument == "-h") {
            options.action = TagToolOptions::Action::kHelp;
            return options;
        } else if (argument == "--version") {
            options.action = TagToolOptions::Action::kVersion;
            return options;
        } else if (argument == "--time" || argument.rfind("--time=", 0) == 0) {
            std::string value;
            if (argument == "--time") {
                if (i + 1 >= argc) return UsageError("option --time needs a number of seconds");
                value = argv[++i];
            } else {
                value = argument.substr(std::strlen("--time="));
            }
            options.time = ParseSeconds(value);
            if (!options.time) {
                return UsageError(
                    "--time takes a whole number of seconds from 0 to 4294967295, "
                    "not '" +
                    Printable(value) + "'");
            }
        } else {
            return UsageError("unknown option '" + Printable(argument) + "' (try --help)");
        }
    }
    if (!have_tag) return UsageError("missing TAG (try --help)");
    return options;
}
