#include "line_reader.h"

#include <cerrno>
#include <cstring>
#include <memory>

#ifdef _WIN32
#include <io.h>
#define read_fd _read
#else
#include <unistd.h>
#define read_fd ::read
#endif

LineReader::Result LineReader::ForEachLine(LineSink& sink) {
    const std::unique_ptr<char[]> block(new char[block_size_]);
    // Bytes of the current line already given to the sink (or held back).
    bool line_started = false;
    // A CR at the end of a block: dropped if a line feed follows, data if not.
    bool held_return = false;
    for (;;) {
        if (!sink.BeforeWait()) return Result::kStopped;
        const auto got = read_fd(fd_, block.get(), static_cast<unsigned>(block_size_));
        if (got < 0) {
            if (errno == EINTR) continue;
            return Result::kReadFailed;
        }
        if (got == 0) break;
        const char* start = block.get();
        const char* const end = start + got;
        if (held_return) {
            held_return = false;
            if (*start != '\n' && !sink.Part("\r")) return Result::kStopped;
        }
        while (const void* found =
                   std::memchr(start, '\n', static_cast<std::size_t>(end - start))) {
            const char* feed = static_cast<const char*>(found);
            const char* line_end = feed != start && feed[-1] == '\r' ? feed - 1 : feed;
            if (!sink.Line(std::string_view(start, static_cast<std::size_t>(line_end - start)))) {
                return Result::kStopped;
            }
            line_started = false;
            start = feed + 1;
        }
        if (start != end) {
            line_started = true;
            held_return = end[-1] == '\r';
            const char* part_end = held_return ? end - 1 : end;
            if (part_end != start &&
                !sink.Part(std::string_view(start, static_cast<std::size_t>(part_end - start)))) {
                return Result::kStopped;
            }
        }
    }
    // The last line lacks its line feed; a CR that ends it is not part of it.
    if (line_started && !sink.Line({})) return Result::kStopped;
    return Result::kDone;
}
