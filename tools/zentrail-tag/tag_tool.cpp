#include "tag_tool.h"

#include "line_reader.h"
#include "tag_writer.h"

#ifndef ZENTRAIL_VERSION
#error "ZENTRAIL_VERSION must be defined by the build"
#endif

namespace {

constexpr char kUsage[] =
    "Usage: zentrail-tag [--time SECONDS] TAG [NAME...]\n"
    "\n"
    "Prints TAG_CODE for each NAME, one per line: CODE is the base-62 form of the\n"
    "CRC-32/BZIP2 checksum of the name's bytes, as Zentrail shows it. Without NAME,\n"
    "names are read from standard input, one per line (a CR before the line feed is\n"
    "not part of the name), and each tag is printed as its line arrives.\n"
    "\n"
    "A name without a code (an empty name) takes the first MT19937 value seeded\n"
    "with the current second, in decimal.\n"
    "\n"
    "  --time SECONDS  use this second (0 to 4294967295) instead of the clock\n"
    "  --help          show this text\n"
    "  --version       show the version\n"
    "  --              end of options (for a TAG or NAME starting with '-')\n";

int WriteFailed(std::FILE* err) {
    std::fputs("zentrail-tag: cannot write to standard output\n", err);
    return 1;
}

}  // namespace

int RunTagTool(const TagToolOptions& options, std::FILE* in, std::FILE* out, std::FILE* err) {
    switch (options.action) {
        case TagToolOptions::Action::kUsageError:
            std::fprintf(err, "zentrail-tag: %s\n", options.error.c_str());
            return 2;
        case TagToolOptions::Action::kHelp:
            return std::fputs(kUsage, out) < 0 || std::fflush(out) != 0 ? WriteFailed(err) : 0;
        case TagToolOptions::Action::kVersion:
            return std::fputs("zentrail-tag " ZENTRAIL_VERSION "\n", out) < 0 ||
                           std::fflush(out) != 0
                       ? WriteFailed(err)
                       : 0;
        case TagToolOptions::Action::kRun:
            break;
    }

    TagWriter writer(out, options.tag, options.time);
    if (!options.names.empty()) {
        for (const std::string& name : options.names) {
            if (!writer.WriteTagFor(name)) return WriteFailed(err);
        }
        return writer.Flush() ? 0 : WriteFailed(err);
    }

    LineReader reader(fileno(in));
    bool write_failed = false;
    const bool read_all = reader.ForEachLine(
        [&](std::string_view name) { return !(write_failed = !writer.WriteTagFor(name)); },
        [&] { return !(write_failed = !writer.Flush()); });
    if (write_failed || !writer.Flush()) return WriteFailed(err);
    if (!read_all) {
        std::fputs("zentrail-tag: cannot read standard input\n", err);
        return 1;
    }
    return 0;
}
