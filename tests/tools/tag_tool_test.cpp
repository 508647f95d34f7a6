// zentrail-tag in process: its line reader at every block size, its options,
// and its output against the composer and the reference code of each line.
#include "tag_tool.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "line_reader.h"
#include "reference_models.h"
#include "tag/tag_composer.h"
#include "test_seed.h"

namespace {

using namespace std::string_literals;
using Action = TagToolOptions::Action;

std::FILE* FileWith(const std::string& content) {
    std::FILE* file = std::tmpfile();
    EXPECT_NE(nullptr, file);
    std::fwrite(content.data(), 1, content.size(), file);
    std::fflush(file);
    std::rewind(file);
    return file;
}

std::string ReadAll(std::FILE* file) {
    std::fseek(file, 0, SEEK_END);
    std::string text(static_cast<std::size_t>(std::ftell(file)), '\0');
    std::rewind(file);
    text.resize(std::fread(text.data(), 1, text.size(), file));
    return text;
}

// Joins the pieces of each line; no piece is larger than a block, so the
// reader never gathers a long line.
struct CollectingSink final : LineSink {
    explicit CollectingSink(std::size_t block) : block_(block) {}
    bool Part(std::string_view bytes) override {
        EXPECT_FALSE(bytes.empty()) << "empty piece";
        EXPECT_LE(bytes.size(), block_);
        current_.append(bytes);
        return true;
    }
    bool Line(std::string_view last_bytes) override {
        EXPECT_LE(last_bytes.size(), block_);
        lines.push_back(current_.append(last_bytes));
        current_.clear();
        return lines.size() < stop_after;
    }
    bool BeforeWait() override { return true; }

    std::vector<std::string> lines;
    std::size_t stop_after = SIZE_MAX;
    std::size_t block_;
    std::string current_;
};

// Every block size from one byte to more than the input, so that a block
// boundary falls everywhere: inside a name, between a CR and its feed.
TEST(LineReader, SameLinesWhereverBlocksEnd) {
    for (const std::string& input :
         {"abc\r\ndef\r\r\n\r\n\n\rx\ry\n"s, "a\0b\r\n\r"s, "\r"s, "\n\n"s, "last\r"s,
          "no feed at all"s, "\r\r\r\n\r\r"s, ""s, std::string(50, 'n') + "\r\nshort\n"}) {
        for (std::size_t block = 1; block <= input.size() + 2; ++block) {
            std::FILE* file = FileWith(input);
            CollectingSink sink(block);
            EXPECT_EQ(LineReader::Result::kDone, LineReader(fileno(file), block).ForEachLine(sink));
            EXPECT_EQ(zentrail::test::ReferenceLines(input), sink.lines)
                << ::testing::PrintToString(input) << " in blocks of " << block;
            std::fclose(file);
        }
    }
    CollectingSink sink(LineReader::kBlockSize);
    EXPECT_EQ(LineReader::Result::kReadFailed, LineReader(-1).ForEachLine(sink));
    std::FILE* file = FileWith("a\nb\nc\n");
    sink.stop_after = 2;
    EXPECT_EQ(LineReader::Result::kStopped, LineReader(fileno(file)).ForEachLine(sink));
    EXPECT_EQ((std::vector<std::string>{"a", "b"}), sink.lines);
    std::fclose(file);
}

TagToolOptions Parse(std::vector<std::string> arguments) {
    std::vector<const char*> argv{"zentrail-tag"};
    for (const std::string& a : arguments) argv.push_back(a.c_str());
    return ParseTagToolOptions(static_cast<int>(argv.size()), argv.data());
}

TEST(TagToolOptions, ActionAndOperands) {
    using Arguments = std::vector<std::string>;
    const std::pair<Action, std::vector<Arguments>> cases[] = {
        {Action::kUsageError,
         {{},
          {"--time", "5"},
          {"--bogus", "x"},
          {"x", "--time"},
          {"--time", "-1", "x"},
          {"--time", "4294967296", "x"},
          {"--time", "", "x"},
          {"--time", "12a", "x"},
          {"--time", " 1", "x"},
          {"--unknown\nline", "x"},
          {"x", "-x-"}}},
        {Action::kRun, {{"--time", "4294967295", "x"}, {"--time=0", "x"}, {"-"}, {"--", "--help"}}},
        {Action::kHelp, {{"x", "--help"}}},
        {Action::kVersion, {{"--version"}}}};
    for (const auto& [action, all] : cases) {
        for (const Arguments& arguments : all) {
            const TagToolOptions options = Parse(arguments);
            EXPECT_EQ(action, options.action) << ::testing::PrintToString(arguments);
            // A usage error is one line, and says what is wrong.
            EXPECT_EQ(action == Action::kUsageError, !options.error.empty());
            EXPECT_EQ(std::string::npos, options.error.find('\n'));
        }
    }
    const TagToolOptions ended = Parse({"--time", "1234567890", "--", "#news", "Hello", "", "-x-"});
    EXPECT_EQ(1234567890u, ended.time);
    EXPECT_EQ("#news", ended.tag);
    EXPECT_EQ((std::vector<std::string>{"Hello", "", "-x-"}), ended.names);
}

struct ToolRun {
    int exit_code;
    std::string out;
    std::string err;
};

ToolRun RunTool(std::vector<std::string> arguments, const std::string& input = "") {
    std::FILE* in = FileWith(input);
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    const int code = RunTagTool(Parse(std::move(arguments)), in, out, err);
    ToolRun run{code, ReadAll(out), ReadAll(err)};
    for (std::FILE* file : {in, out, err}) std::fclose(file);
    return run;
}

// What the window would show for each line: the composer with a generator
// seeded with the given second.
std::string Expected(const std::string& tag, const std::vector<std::string>& names) {
    std::string expected;
    for (const std::string& name : names) {
        MtGenerator generator(1234567890);
        expected += ComposeTag(tag, name, generator) + "\n";
    }
    return expected;
}

// The reader's blocks are 64 KiB: a CR at the end of one, with its feed or
// another byte at the start of the next; then random names, now and then one
// over several blocks.
TEST(TagTool, OneTagPerLineOfStandardInputAndTheExitCodes) {
    const zentrail::test::TestSeed seed;
    std::mt19937 random(seed.value());
    std::string drawn;
    for (int i = 0; i < 20000; ++i) {
        std::string name(i % 1000 == 7 ? 150000 + random() % 100000 : random() % 30, '\n');
        for (char& c : name) {
            while (c == '\n') c = static_cast<char>(random());
        }
        drawn += name + (random() % 2 ? "\n" : "\r\n");
    }
    const std::string block(65535, 'q');
    for (const std::string& input : {""s, "Hello\r\nhello"s, "\n"s, "abc\r\r\n"s, "a\0b\n"s,
                                     block + "\r\nabc", block + "\rb\n" + block + "q\r", drawn}) {
        const ToolRun run = RunTool({"--time", "1234567890", "#news"}, input);
        EXPECT_EQ(0, run.exit_code);
        EXPECT_EQ(Expected("#news", zentrail::test::ReferenceLines(input)), run.out)
            << ::testing::PrintToString(input.substr(0, 20));
    }
    // Bad usage: exit code 2, nothing written, one line on standard error. A
    // stream opened for reading only refuses every write: exit code 1.
    for (const auto& arguments : std::vector<std::vector<std::string>>{
             {}, {"--nope", "x"}, {"--time", "4294967296", "x"}}) {
        const ToolRun run = RunTool(arguments, "abc\n");
        EXPECT_EQ(2, run.exit_code);
        EXPECT_EQ("", run.out);
        EXPECT_EQ(run.err.size() - 1, run.err.find('\n')) << run.err;
    }
    const ToolRun help = RunTool({"--help"});
    EXPECT_EQ(0, help.exit_code);
    EXPECT_NE(std::string::npos, help.out.find("[--time SECONDS] TAG [NAME...]"));

    const std::string path = ::testing::TempDir() + "zentrail-readonly.txt";
    std::fclose(std::fopen(path.c_str(), "w"));
    std::FILE* out = std::fopen(path.c_str(), "r");
    ASSERT_NE(nullptr, out);
    std::FILE* in = FileWith("abc\n");
    std::FILE* err = std::tmpfile();
    EXPECT_EQ(1, RunTagTool(Parse({"x"}), in, out, err));
    EXPECT_EQ(1, RunTagTool(Parse({"x", "abc"}), in, out, err));
    EXPECT_NE("", ReadAll(err));
    for (std::FILE* file : {in, out, err}) std::fclose(file);
    std::remove(path.c_str());
}

}  // namespace
