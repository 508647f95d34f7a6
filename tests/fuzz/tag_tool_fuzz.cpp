// zentrail-tag in process: options, line reader and writer over an argument
// vector and standard input taken from the fuzzer's bytes. The output is
// compared with tags composed here from the reference code of each name.
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "fuzz_check.h"
#include "options.h"
#include "tag_tool.h"

namespace {

// A stream on an anonymous file, read back whole afterwards. Made once and
// emptied for every run: making files and streams anew cost more system
// time than the tool's own work.
struct MemoryFile {
    MemoryFile() {
        const int fd = memfd_create("zentrail-fuzz", 0);
        FUZZ_CHECK(fd >= 0, "memfd_create");
        stream = fdopen(fd, "w+");
        FUZZ_CHECK(stream != nullptr, "fdopen");
    }
    ~MemoryFile() { std::fclose(stream); }

    void Reset(const std::string& contents) {
        std::rewind(stream);
        FUZZ_CHECK(ftruncate(fileno(stream), 0) == 0, "emptying the file");
        if (!contents.empty()) {
            FUZZ_CHECK(std::fwrite(contents.data(), 1, contents.size(), stream) == contents.size(),
                       "writing the input");
        }
        FUZZ_CHECK(std::fflush(stream) == 0 && lseek(fileno(stream), 0, SEEK_SET) == 0,
                   "rewinding the input");
        std::rewind(stream);
        std::clearerr(stream);
    }

    std::string Contents() {
        std::fflush(stream);
        std::string text;
        static char block[65536];
        std::size_t got;
        FUZZ_CHECK(lseek(fileno(stream), 0, SEEK_SET) == 0, "rewinding the output");
        std::rewind(stream);
        while ((got = std::fread(block, 1, sizeof block, stream)) > 0) text.append(block, got);
        return text;
    }

    std::FILE* stream;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    // First byte: the number of arguments; then each one NUL-terminated; the
    // rest is standard input.
    const std::size_t wanted = data[0] % 8;
    std::vector<std::string> arguments{"zentrail-tag"};
    std::size_t at = 1;
    while (arguments.size() <= wanted && at < size) {
        std::size_t end = at;
        while (end < size && data[end] != 0) ++end;
        arguments.emplace_back(reinterpret_cast<const char*>(data + at), end - at);
        at = end + 1;
    }
    const std::string input =
        at < size ? std::string(reinterpret_cast<const char*>(data + at), size - at) : "";
    std::vector<const char*> argv;
    for (const std::string& argument : arguments) argv.push_back(argument.c_str());
    argv.push_back(nullptr);

    const TagToolOptions options =
        ParseTagToolOptions(static_cast<int>(arguments.size()), argv.data());
    static MemoryFile in, out, err;
    in.Reset(input);
    out.Reset("");
    err.Reset("");
    const auto before = static_cast<std::uint32_t>(std::time(nullptr));
    const int exit_code = RunTagTool(options, in.stream, out.stream, err.stream);
    const auto after = static_cast<std::uint32_t>(std::time(nullptr));
    const std::string output = out.Contents();
    const std::string errors = err.Contents();

    switch (options.action) {
        case TagToolOptions::Action::kUsageError:
            FUZZ_CHECK(exit_code == 2 && output.empty(), "bad usage: exit 2, nothing written");
            FUZZ_CHECK(!errors.empty() && errors.find('\n') == errors.size() - 1,
                       "bad usage: one line on standard error");
            return 0;
        case TagToolOptions::Action::kHelp:
        case TagToolOptions::Action::kVersion:
            FUZZ_CHECK(exit_code == 0 && !output.empty() && errors.empty(), "help and version");
            return 0;
        case TagToolOptions::Action::kRun:
            break;
    }
    FUZZ_CHECK(exit_code == 0 && errors.empty(), "a run that can read and write succeeds");

    // The names given, else the lines of the input. A tag may hold line
    // feeds itself, so the output is matched piece by piece, not split.
    const std::vector<std::string> names =
        options.names.empty() ? zentrail::test::ReferenceLines(input) : options.names;
    std::size_t position = 0;
    const auto take = [&](const std::string& piece) {
        if (output.compare(position, piece.size(), piece) != 0) return false;
        position += piece.size();
        return true;
    };
    // Seeding a reference generator costs more than a whole line of the
    // tool: an input of empty lines would make each run slow. One per second.
    std::map<std::uint32_t, std::string> fallbacks;
    const auto fallback = [&](std::uint32_t second) -> const std::string& {
        auto found = fallbacks.find(second);
        if (found == fallbacks.end()) {
            found = fallbacks.emplace(second, std::to_string(std::mt19937(second)()) + "\n").first;
        }
        return found->second;
    };
    for (const std::string& name : names) {
        FUZZ_CHECK(take(options.tag + "_"), "each line starts with the tag");
        const std::string code =
            zentrail::soak::ReferenceDigits(zentrail::soak::ReferenceChecksum(name));
        if (!code.empty()) {
            FUZZ_CHECK(take(code + "\n"), "code differs from the reference");
            continue;
        }
        // An empty code: the first value seeded with the given second, or
        // with one of the seconds the run took.
        const std::uint32_t first = options.time ? *options.time : before;
        const std::uint32_t last = options.time ? *options.time : after;
        bool matched = false;
        for (std::uint32_t second = first; !matched; ++second) {
            matched = take(fallback(second));
            if (second == last) break;
        }
        FUZZ_CHECK(matched, "fallback number of the right second");
    }
    FUZZ_CHECK(position == output.size(), "nothing after the last tag");
    return 0;
}
