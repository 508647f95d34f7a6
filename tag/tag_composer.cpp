#include "tag/tag_composer.h"

#include "loomkit/decimal_text.h"
#include "tag/base_n.h"
#include "tag/crc32.h"

namespace {
constexpr std::int32_t kCodeRadix = 62;
}

std::string ComposeTag(const std::string& tag, const std::string& name, MtGenerator& random) {
    const std::uint32_t checksum = Crc32(name.data(), static_cast<std::int32_t>(name.size()));
    std::string suffix = EncodeBaseN(checksum, kCodeRadix);
    // No generator (its memory could not be had) means no number: the output
    // then ends with the underscore rather than touching a null state.
    if (suffix.empty() && random.handle != nullptr) {
        suffix = loomkit::to_decimal_text(mt_next(random.handle));
    }
    std::string output;
    output.reserve(tag.size() + 1 + suffix.size());
    output.append(tag).append(1, '_').append(suffix);
    return output;
}
