// NameCode and ComposeTag against Boost's CRC, a plain base-62 encoder and
// the standard library's MT19937.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <random>
#include <string>

#include "fuzz_check.h"
#include "tag/mt_random.h"
#include "tag/tag_composer.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 5) return 0;
    std::uint32_t seed;
    std::memcpy(&seed, data, 4);
    const std::string rest(reinterpret_cast<const char*>(data + 5), size - 5);
    const std::size_t tag_length = std::min<std::size_t>(data[4], rest.size());
    const std::string tag = rest.substr(0, tag_length);
    const std::string name = rest.substr(tag_length);

    const std::string code =
        zentrail::soak::ReferenceDigits(zentrail::soak::ReferenceChecksum(name));
    FUZZ_CHECK(NameCode(name) == code, "name code differs from the reference");
    FUZZ_CHECK(code.size() <= 6, "at most six characters");

    MtGenerator random(seed);
    FUZZ_CHECK(random.handle != nullptr, "a generator in a heap that has room");
    std::mt19937 reference(seed);
    const std::string composed = ComposeTag(tag, name, random);
    if (code.empty()) {
        FUZZ_CHECK(composed == tag + "_" + std::to_string(reference()),
                   "an empty code takes the generator's next value");
    } else {
        FUZZ_CHECK(composed == tag + "_" + code, "tag, underscore, code");
    }
    // The generator was touched only for an empty code.
    FUZZ_CHECK(mt_next(random.handle) == reference(), "generator left where it should be");
    return 0;
}
