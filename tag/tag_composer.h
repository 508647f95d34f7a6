#pragma once
#include <string>
#include <string_view>

#include "tag/mt_random.h"

// The base-62 code of the name's CRC-32/BZIP2: 0 to 6 characters, empty
// exactly when the checksum is 0 (always for an empty name).
std::string NameCode(std::string_view name);

// tag + "_" + NameCode(name). When the code is empty the decimal text of
// random's next value stands in for it; random is touched only then. A
// generator without a handle (its memory could not be had) gives no number:
// the output is tag + "_".
std::string ComposeTag(const std::string& tag, const std::string& name, MtGenerator& random);
