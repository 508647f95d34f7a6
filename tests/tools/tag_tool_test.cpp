#include "tag_tool.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "tag/tag_composer.h"
#include "test_seed.h"

namespace {

using namespace std::string_literals;
using Action = TagToolOptions::Action;

TagToolOptions Parse(std::vector<std::string> arguments) {
    std::vector<const char*> argv{"zentrail-tag"};
    for (const std::string& a : arguments) argv.push_back(a.c_str());
    return ParseTagToolOptions(static_cast<int>(argv.size()), argv.data());
}

struct UsageCase {
    std::vector<std::string> arguments;
    Action action;
};

std::ostream& operator<<(std::ostream& out, const UsageCase& c) {
    return out << ::testing::PrintToString(c.arguments);
}

class TagToolUsage : public ::testing::TestWithParam<UsageCase> {};

TEST_P(TagToolUsage, Action) {
    const TagToolOptions options = Parse(GetParam().arguments);
    EXPECT_EQ(GetParam().action, options.action) << options.error;
    if (options.action == Action::kUsageError) {
        EXPECT_FALSE(options.error.empty());
        EXPECT_EQ(std::string::npos, options.error.find('\n'));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, TagToolUsage,
    ::testing::Values(UsageCase{{}, Action::kUsageError},
                      UsageCase{{"--time", "5"}, Action::kUsageError},
                      UsageCase{{"--bogus", "x"}, Action::kUsageError},
                      UsageCase{{"x", "--time"}, Action::kUsageError},
                      UsageCase{{"--time", "-1", "x"}, Action::kUsageError},
                      UsageCase{{"--time", "4294967296", "x"}, Action::kUsageError},
                      UsageCase{{"--time", "", "x"}, Action::kUsageError},
                      UsageCase{{"--time", "12a", "x"}, Action::kUsageError},
                      UsageCase{{"--time", " 1", "x"}, Action::kUsageError},
                      UsageCase{{"--unknown\nline", "x"}, Action::kUsageError},
                      UsageCase{{"--time", "4294967295", "x"}, Action::kRun},
                      UsageCase{{"--time=0", "x"}, Action::kRun}, UsageCase{{"x"}, Action::kRun},
                      UsageCase{{"x", "--help"}, Action::kHelp},
                      UsageCase{{"--version"}, Action::kVersion},
                      UsageCase{{"--", "--help"}, Action::kRun}, UsageCase{{"-"}, Action::kRun}));

TEST(TagToolOptions, OperandsInOrder) {
    const TagToolOptions options = Parse({"--time", "1234567890", "#news", "Hello", "", "-x-"s});
    ASSERT_EQ(Action::kUsageError, options.action);  // -x- is an unknown option

    const TagToolOptions ended = Parse({"--time", "1234567890", "--", "#news", "Hello", "", "-x-"});
    ASSERT_EQ(Action::kRun, ended.action);
    EXPECT_EQ(1234567890u, ended.time);
    EXPECT_EQ("#news", ended.tag);
    EXPECT_EQ((std::vector<std::string>{"Hello", "", "-x-"}), ended.names);
}

// Runs the tool on the given standard input and captures both outputs.
struct ToolRun {
    int exit_code;
    std::string out;
    std::string err;
};

std::string ReadAll(std::FILE* file) {
    std::rewind(file);
    std::string text;
    char chunk[4096];
    std::size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) text.append(chunk, got);
    return text;
}

ToolRun RunTool(std::vector<std::string> arguments, const std::string& input = "") {
    std::FILE* in = std::tmpfile();
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    EXPECT_TRUE(in && out && err);
    std::fwrite(input.data(), 1, input.size(), in);
    std::fflush(in);
    std::rewind(in);
    const int code = RunTagTool(Parse(std::move(arguments)), in, out, err);
    ToolRun run{code, ReadAll(out), ReadAll(err)};
    std::fclose(in);
    std::fclose(out);
    std::fclose(err);
    return run;
}

TEST(TagTool, NamesFromArguments) {
    const ToolRun run = RunTool({"--time", "1234567890", "x", "abc", "", "a", "abc "});
    EXPECT_EQ(0, run.exit_code);
    EXPECT_EQ("x_1Qafmj\nx_2657703298\nx_t2txV\nx_uqZbO\n", run.out);
    EXPECT_EQ("", run.err);
}

struct StdinCase {
    const char* what;
    std::string input;
    std::string output;
};

std::ostream& operator<<(std::ostream& out, const StdinCase& c) { return out << c.what; }

class TagToolStdin : public ::testing::TestWithParam<StdinCase> {};

TEST_P(TagToolStdin, OneTagPerLine) {
    const ToolRun run = RunTool({"--time", "1234567890", "#news"}, GetParam().input);
    EXPECT_EQ(0, run.exit_code);
    EXPECT_EQ(GetParam().output, run.out) << GetParam().what;
}

INSTANTIATE_TEST_SUITE_P(
    Table, TagToolStdin,
    ::testing::Values(
        StdinCase{"no input", "", ""},
        StdinCase{"plain lines", "Hello\nhello\n", "#news_tTukG\n#news_sBt93\n"},
        StdinCase{"CR LF", "Hello\r\nhello\r\n", "#news_tTukG\n#news_sBt93\n"},
        StdinCase{"last line without feed", "Hello\nhello", "#news_tTukG\n#news_sBt93\n"},
        StdinCase{"empty line is an empty name", "\n", "#news_2657703298\n"},
        StdinCase{"only the last CR goes", "abc\r\r\n", "#news_" + NameCode("abc\r") + "\n"},
        StdinCase{"NUL is a byte of the name", "a\0b\n"s, "#news_" + NameCode("a\0b"s) + "\n"},
        StdinCase{"line longer than a read block", std::string(200000, 'z') + "\nabc\n",
                  "#news_" + NameCode(std::string(200000, 'z')) + "\n#news_1Qafmj\n"},
        // The reader's blocks are 64 KiB: a CR at the end of one block, with
        // its line feed, or another byte, at the start of the next.
        StdinCase{"CR LF split between blocks", std::string(65535, 'q') + "\r\nabc",
                  "#news_" + NameCode(std::string(65535, 'q')) + "\n#news_1Qafmj\n"},
        StdinCase{"CR ending a block is data before a byte",
                  std::string(65535, 'q') + "\rb\n" + std::string(65536, 'q') + "\r",
                  "#news_" + NameCode(std::string(65535, 'q') + "\rb") + "\n#news_" +
                      NameCode(std::string(65536, 'q')) + "\n"}));

// Whatever the main window would show: the composer with a generator seeded
// with the same second is the oracle.
TEST(TagTool, AgreesWithComposer) {
    const zentrail::test::TestSeed seed;
    std::mt19937 random(seed.value());
    std::string input;
    std::string expected;
    for (int i = 0; i < 20000; ++i) {
        // Mostly short names, now and then one over several read blocks.
        std::string name(i % 1000 == 7 ? 150000 + random() % 100000 : random() % 30, '\0');
        for (char& c : name) {
            do c = static_cast<char>(random());
            while (c == '\n');
        }
        if (!name.empty() && name.back() == '\r') name.back() = 'r';
        input += name + "\n";
        MtGenerator generator(99);
        expected += ComposeTag("t", name, generator) + "\n";
    }
    const ToolRun run = RunTool({"--time", "99", "t"}, input);
    EXPECT_EQ(0, run.exit_code);
    EXPECT_EQ(expected, run.out);
}

TEST(TagTool, BadUsageWritesOnlyOneErrorLine) {
    for (const auto& arguments : std::vector<std::vector<std::string>>{
             {}, {"--nope", "x"}, {"--time", "4294967296", "x"}}) {
        const ToolRun run = RunTool(arguments, "abc\n");
        EXPECT_EQ(2, run.exit_code);
        EXPECT_EQ("", run.out);
        ASSERT_FALSE(run.err.empty());
        EXPECT_EQ(run.err.size() - 1, run.err.find('\n'));
    }
}

TEST(TagTool, HelpAndVersion) {
    EXPECT_EQ("zentrail-tag 2.0.0.1\n", RunTool({"--version"}).out);
    const ToolRun help = RunTool({"--help"});
    EXPECT_EQ(0, help.exit_code);
    EXPECT_NE(std::string::npos, help.out.find("[--time SECONDS] TAG [NAME...]"));
}

TEST(TagTool, WriteErrorEndsWithFailure) {
    std::FILE* in = std::tmpfile();
    std::FILE* err = std::tmpfile();
    // A stream opened for reading only refuses every write.
    const std::string path = ::testing::TempDir() + "zentrail-readonly.txt";
    std::FILE* create = std::fopen(path.c_str(), "w");
    ASSERT_NE(nullptr, create);
    std::fclose(create);
    std::FILE* out = std::fopen(path.c_str(), "r");
    ASSERT_NE(nullptr, out);
    std::fputs("abc\n", in);
    std::rewind(in);
    EXPECT_EQ(1, RunTagTool(Parse({"x"}), in, out, err));
    EXPECT_EQ(1, RunTagTool(Parse({"x", "abc"}), in, out, err));
    EXPECT_NE("", ReadAll(err));
    std::fclose(in);
    std::fclose(out);
    std::fclose(err);
    std::remove(path.c_str());
}

}  // namespace
