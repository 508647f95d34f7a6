// EncodeBaseN over every radix, negative and out-of-range ones included.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "fuzz_check.h"
#include "tag/base_n.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 8) return 0;
    std::uint32_t value;
    std::int32_t radix;
    std::memcpy(&value, data, 4);
    std::memcpy(&radix, data + 4, 4);
    const std::string text = EncodeBaseN(value, radix);
    if (radix < 2 || radix > 62) {
        FUZZ_CHECK(text.empty(), "a radix outside 2..62 gives the empty text");
        return 0;
    }
    FUZZ_CHECK(text == zentrail::soak::ReferenceDigits(value, static_cast<std::uint32_t>(radix)),
               "digits differ from the reference");
    return 0;
}
