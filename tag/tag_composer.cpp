#include "tag/tag_composer.h"

#include "loomkit/decimal_text.h"
#include "tag/base_n.h"
#include "tag/crc32.h"

namespace {
constexpr std::int32_t kCodeRadix = 62;
}

std::string NameCode(std::string_view name) {
    return EncodeBaseN(Crc32(name.data(), static_cast<std::int32_t>(name.size())), kCodeRadix);
}

std::string ComposeTag(const std::string& tag, const std::string& name, MtGenerator& random) {
    std::string suffix = NameCode(name);
    if (suffix.empty() && random.handle != nullptr) {
        suffix = loomkit::to_decimal_text(mt_next(random.handle));
    }
    std::string output;
    output.reserve(tag.size() + 1 + suffix.size());
    output.append(tag).append(1, '_').append(suffix);
    return output;
}
