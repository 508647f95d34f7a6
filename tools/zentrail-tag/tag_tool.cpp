#include "tag_tool.h"

#include <cerrno>
#include <cstring>
#include <new>

#include "line_reader.h"
#include "tag/crc32.h"
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

// One line on standard error, with the system's reason when there is one.
int Failed(std::FILE* err, const char* what, int error) {
    if (error != 0) {
        std::fprintf(err, "zentrail-tag: %s: %s\n", what, std::strerror(error));
    } else {
        std::fprintf(err, "zentrail-tag: %s\n", what);
    }
    return 1;
}

int WriteFailed(std::FILE* err, int error = 0) {
    return Failed(err, "cannot write to standard output", error);
}

int ReadFailed(std::FILE* err, int error) {
    switch (error) {
        case EBADF:
            return Failed(err, "standard input is closed", 0);
        case EISDIR:
            return Failed(err, "standard input is a directory, not a file or a pipe of names", 0);
        default:
            return Failed(err, "cannot read standard input", error);
    }
}

// Each line's checksum grows as its pieces arrive.
class TagLineSink final : public LineSink {
  public:
    explicit TagLineSink(TagWriter& writer) : writer_(writer) {}

    bool Part(std::string_view bytes) override {
        crc_.Add(bytes.data(), bytes.size());
        return true;
    }
    bool Line(std::string_view last_bytes) override {
        crc_.Add(last_bytes.data(), last_bytes.size());
        const std::uint32_t checksum = crc_.Value();
        crc_.Restart();
        return writer_.WriteTagForChecksum(checksum);
    }
    bool BeforeWait() override { return writer_.Flush(); }

  private:
    TagWriter& writer_;
    Crc32Stream crc_;
};

// Every name's line, from the arguments or from standard input.
int WriteTags(const TagToolOptions& options, std::FILE* in, TagWriter& writer, std::FILE* err) {
    if (!options.names.empty()) {
        for (const std::string& name : options.names) {
            if (!writer.WriteTagFor(name)) return WriteFailed(err, writer.error());
        }
        return writer.Flush() ? 0 : WriteFailed(err, writer.error());
    }

    TagLineSink sink(writer);
    const LineReader::Result result = LineReader(fileno(in)).ForEachLine(sink);
    const int read_error = errno;
    if (result == LineReader::Result::kStopped || !writer.Flush()) {
        return WriteFailed(err, writer.error());
    }
    if (result == LineReader::Result::kReadFailed) return ReadFailed(err, read_error);
    return 0;
}

}  // namespace

int RunTagTool(const TagToolOptions& options, std::FILE* in, std::FILE* out, std::FILE* err) {
    switch (options.action) {
        case TagToolOptions::Action::kUsageError:
            std::fprintf(err, "zentrail-tag: %s\n", options.error.c_str());
            return 2;
        case TagToolOptions::Action::kHelp:
            return std::fputs(kUsage, out) < 0 || std::fflush(out) != 0 ? WriteFailed(err, errno)
                                                                        : 0;
        case TagToolOptions::Action::kVersion:
            return std::fputs("zentrail-tag " ZENTRAIL_VERSION "\n", out) < 0 ||
                           std::fflush(out) != 0
                       ? WriteFailed(err, errno)
                       : 0;
        case TagToolOptions::Action::kRun:
            break;
    }

    TagWriter writer(out, options.tag, options.time);
    try {
        return WriteTags(options, in, writer, err);
    } catch (const std::bad_alloc&) {
        // The lines made before it are written, not lost in the buffer.
        writer.Flush();
        throw;
    }
}

int RunTagToolCommand(int argc, const char* const* argv, std::FILE* in, std::FILE* out,
                      std::FILE* err) {
    try {
        return RunTagTool(ParseTagToolOptions(argc, argv), in, out, err);
    } catch (const std::bad_alloc&) {
        // Whatever was buffered goes out first, so that the lines already
        // made are not lost; the message itself needs no heap.
        std::fflush(out);
        return Failed(err, "out of memory", 0);
    }
}
