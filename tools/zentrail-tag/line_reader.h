#pragma once
#include <functional>
#include <string>
#include <string_view>

// Splits the bytes of a file descriptor into lines as they arrive. A line
// ends at a line feed; one carriage return right before it is not part of the
// line; the last line may lack its line feed. Any other byte, NUL included,
// is data. Memory is one read block plus the longest line.
class LineReader {
  public:
    explicit LineReader(int fd) : fd_(fd) {}

    // Calls on_line for each line. before_wait runs before every read that may
    // block, so that output can be flushed while the writer waits for input.
    // false when reading failed.
    bool ForEachLine(const std::function<bool(std::string_view)>& on_line,
                     const std::function<bool()>& before_wait);

  private:
    int fd_;
    std::string pending_;  // start of a line that spans two reads
};
