// zentrail-tag in process: options, line reader and writer over an argument
// vector and standard input taken from the fuzzer's bytes. The output is
// compared with tags composed here from the reference code of each name.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "memory_file.h"
#include "options.h"
#include "reference_code.h"
#include "reference_models.h"
#include "tag_tool.h"

// Stops the run with a message; libFuzzer then keeps the input.
static void Check(bool ok, const char* what, int line = __builtin_LINE()) {
    if (ok) return;
    std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, line, what);
    std::abort();
}

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
    static zentrail::test::MemoryFile in, out, err;
    Check(in.Reset(input) && out.Reset("") && err.Reset(""), "emptying the files");
    const auto before = static_cast<std::uint32_t>(std::time(nullptr));
    const int exit_code = RunTagTool(options, in.get(), out.get(), err.get());
    const auto after = static_cast<std::uint32_t>(std::time(nullptr));
    const std::string output = out.Contents();
    const std::string errors = err.Contents();

    if (options.action != TagToolOptions::Action::kRun) {
        // Bad usage: exit code 2, nothing written, one line on standard
        // error; help and version: something written, nothing said.
        const bool usage = options.action == TagToolOptions::Action::kUsageError;
        Check(exit_code == (usage ? 2 : 0) && output.empty() == usage, "exit code, output");
        Check(usage ? errors.find('\n') + 1 == errors.size() && errors.size() > 1 : errors.empty(),
              "standard error");
        return 0;
    }
    Check(exit_code == 0 && errors.empty(), "a run that can read and write succeeds");

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
        std::string& text = fallbacks[second];
        if (text.empty()) text = std::to_string(std::mt19937(second)()) + "\n";
        return text;
    };
    for (const std::string& name : names) {
        Check(take(options.tag + "_"), "each line starts with the tag");
        const std::string code =
            zentrail::soak::ReferenceDigits(zentrail::soak::ReferenceChecksum(name));
        if (!code.empty()) {
            Check(take(code + "\n"), "code differs from the reference");
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
        Check(matched, "fallback number of the right second");
    }
    Check(position == output.size(), "nothing after the last tag");
    return 0;
}
