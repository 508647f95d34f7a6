#include "line_reader.h"

#include <cerrno>
#include <cstring>
#include <vector>

#ifdef _WIN32
#include <io.h>
#define read_fd _read
#else
#include <unistd.h>
#define read_fd ::read
#endif

namespace {

constexpr unsigned kReadSize = 64 * 1024;

std::string_view WithoutCarriageReturn(std::string_view line) {
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    return line;
}

}  // namespace

bool LineReader::ForEachLine(const std::function<bool(std::string_view)>& on_line,
                             const std::function<bool()>& before_wait) {
    std::vector<char> block(kReadSize);
    for (;;) {
        if (!before_wait()) return false;
        const auto got = read_fd(fd_, block.data(), kReadSize);
        if (got < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (got == 0) break;
        const char* start = block.data();
        const char* const end = start + got;
        while (const void* found =
                   std::memchr(start, '\n', static_cast<std::size_t>(end - start))) {
            const char* feed = static_cast<const char*>(found);
            std::string_view line(start, static_cast<std::size_t>(feed - start));
            if (!pending_.empty()) {
                pending_.append(line);
                line = pending_;
            }
            if (!on_line(WithoutCarriageReturn(line))) return false;
            pending_.clear();
            start = feed + 1;
        }
        pending_.append(start, end);
    }
    // The last line lacks its line feed.
    if (!pending_.empty() && !on_line(WithoutCarriageReturn(pending_))) return false;
    pending_.clear();
    return true;
}
