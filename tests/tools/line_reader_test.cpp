#include "line_reader.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

using namespace std::string_literals;

// Joins the pieces of each line and counts how they came.
class CollectingSink final : public LineSink {
  public:
    bool Part(std::string_view bytes) override {
        EXPECT_FALSE(bytes.empty()) << "empty part";
        current_.append(bytes);
        ++parts;
        return true;
    }
    bool Line(std::string_view last_bytes) override {
        current_.append(last_bytes);
        lines.push_back(current_);
        current_.clear();
        return lines.size() < stop_after;
    }
    bool BeforeWait() override { return true; }

    std::vector<std::string> lines;
    std::size_t parts = 0;
    std::size_t stop_after = SIZE_MAX;

  private:
    std::string current_;
};

// The rule written out plainly: split at line feeds, drop one CR before
// each, and a last line without its feed counts unless it is empty.
std::vector<std::string> ReferenceLines(const std::string& input) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < input.size()) {
        std::size_t feed = input.find('\n', start);
        if (feed == std::string::npos) feed = input.size();
        std::string line = input.substr(start, feed - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
        start = feed + 1;
    }
    return lines;
}

std::FILE* FileWith(const std::string& input) {
    std::FILE* file = std::tmpfile();
    EXPECT_NE(nullptr, file);
    std::fwrite(input.data(), 1, input.size(), file);
    std::fflush(file);
    std::rewind(file);
    return file;
}

// Every read-block size from one byte to more than the whole input, so that
// a block boundary falls at every position: inside a name, between a CR and
// its line feed, right after a feed.
TEST(LineReader, SameLinesWhereverBlocksEnd) {
    for (const std::string& input : {"abc\r\ndef\r\r\n\r\n\n\rx\ry\n"s, "a\0b\r\n\r"s, "\r"s,
                                     "\n\n"s, "last\r"s, "no feed at all"s, "\r\r\r\n\r\r"s, ""s}) {
        for (std::size_t block = 1; block <= input.size() + 2; ++block) {
            std::FILE* file = FileWith(input);
            CollectingSink sink;
            EXPECT_EQ(LineReader::Result::kDone, LineReader(fileno(file), block).ForEachLine(sink));
            EXPECT_EQ(ReferenceLines(input), sink.lines)
                << ::testing::PrintToString(input) << " in blocks of " << block;
            std::fclose(file);
        }
    }
}

// A line many blocks long comes in pieces no larger than a block: the reader
// never gathers it.
TEST(LineReader, LongLineComesInPieces) {
    const std::string name(10 * 1000 + 7, 'n');
    std::FILE* file = FileWith(name + "\r\nshort\n");
    CollectingSink sink;
    EXPECT_EQ(LineReader::Result::kDone, LineReader(fileno(file), 1000).ForEachLine(sink));
    EXPECT_EQ((std::vector<std::string>{name, "short"}), sink.lines);
    EXPECT_EQ(10u, sink.parts);
    std::fclose(file);
}

TEST(LineReader, StopsWhenTheSinkSaysSo) {
    std::FILE* file = FileWith("a\nb\nc\n");
    CollectingSink sink;
    sink.stop_after = 2;
    EXPECT_EQ(LineReader::Result::kStopped, LineReader(fileno(file)).ForEachLine(sink));
    EXPECT_EQ((std::vector<std::string>{"a", "b"}), sink.lines);
    std::fclose(file);
}

TEST(LineReader, UnreadableDescriptorIsAReadFailure) {
    CollectingSink sink;
    EXPECT_EQ(LineReader::Result::kReadFailed, LineReader(-1).ForEachLine(sink));
    EXPECT_TRUE(sink.lines.empty());
}

}  // namespace
