#pragma once
#include <cstddef>
#include <string_view>

// Where LineReader delivers what it reads. A line may come in pieces: any
// number of Part calls, then one Line call with its last bytes. A line that
// fits in one read block comes as a single Line call.
class LineSink {
  public:
    virtual bool Part(std::string_view bytes) = 0;
    virtual bool Line(std::string_view last_bytes) = 0;
    // Runs before every read that may block, so that output can be flushed
    // while the writer waits for input.
    virtual bool BeforeWait() = 0;

  protected:
    ~LineSink() = default;
};

// Splits the bytes of a file descriptor into lines as they arrive. A line
// ends at a line feed; one carriage return right before it is not part of the
// line; the last line may lack its line feed. Any other byte, NUL included,
// is data. Memory is one read block, however long a line is.
class LineReader {
  public:
    enum class Result { kDone, kStopped, kReadFailed };

    static constexpr std::size_t kBlockSize = 64 * 1024;

    // block_size: bytes asked for per read (the tests take small ones).
    explicit LineReader(int fd, std::size_t block_size = kBlockSize)
        : fd_(fd), block_size_(block_size > 0 ? block_size : 1) {}

    // kStopped when a sink call returned false; kReadFailed leaves errno set.
    Result ForEachLine(LineSink& sink);

  private:
    int fd_;
    std::size_t block_size_;
};
