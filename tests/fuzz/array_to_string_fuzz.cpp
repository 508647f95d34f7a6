// array_to_string::convert in both modes against the NUL-pair rule.
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "fuzz_check.h"
#include "loomkit/array_to_string.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    // First byte: how much of the rest the count leaves out (a count shorter
    // than the array must not read beyond it).
    const std::size_t cut = data[0] % 4;
    const std::string all(reinterpret_cast<const char*>(data + 1), size - 1);
    const std::string given = all.substr(0, all.size() - std::min(cut, all.size()));
    // An exact-size copy, so that ASan sees any read past count.
    const std::vector<char> array(given.begin(), given.end());
    const auto count = static_cast<std::uint32_t>(array.size());

    const std::size_t pair = zentrail::test::FirstNulPair(given);
    const std::string expected = pair == std::string::npos ? given : given.substr(0, pair + 1);

    FUZZ_CHECK(loomkit::array_to_string::convert(array.data(), count, false) == expected,
               "lenient conversion differs from the model");
    bool threw = false;
    std::string strict;
    try {
        strict = loomkit::array_to_string::convert(array.data(), count, true);
    } catch (const std::runtime_error& error) {
        threw = true;
        FUZZ_CHECK(std::string(error.what()) == "array_to_string::convert function: cannot convert",
                   "strict conversion's message");
    }
    FUZZ_CHECK(threw == (pair != std::string::npos),
               "strict conversion throws exactly on a NUL pair");
    if (!threw) FUZZ_CHECK(strict == given, "strict conversion keeps every byte");
    return 0;
}
