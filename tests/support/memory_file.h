#pragma once
// A stream on an anonymous file, emptied and refilled for each run without
// making a new one, with a buffer of its own: stdio's would be one more
// allocation of the run. zentrail-tag reads the descriptor itself, so the
// bytes go there. Linux only: the allocation tests and the fuzz target.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace zentrail::test {

class MemoryFile {
  public:
    MemoryFile() : fd_(memfd_create("zentrail-test", 0)), stream_(fdopen(fd_, "w+")) {
        if (stream_ == nullptr) std::abort();
        std::setvbuf(stream_, buffer_, _IOFBF, sizeof buffer_);
    }
    ~MemoryFile() { std::fclose(stream_); }

    std::FILE* get() const { return stream_; }
    bool Reset(const std::string& contents) {
        std::rewind(stream_);
        return ftruncate(fd_, 0) == 0 && pwrite(fd_, contents.data(), contents.size(), 0) ==
                                             static_cast<ssize_t>(contents.size());
    }
    std::string Contents() {
        std::fflush(stream_);
        std::string text(static_cast<std::size_t>(lseek(fd_, 0, SEEK_END)), '\0');
        const bool read =
            pread(fd_, text.data(), text.size(), 0) == static_cast<ssize_t>(text.size());
        return read ? text : "(unreadable)";
    }

  private:
    int fd_;
    std::FILE* stream_;
    char buffer_[BUFSIZ];
};

}  // namespace zentrail::test
