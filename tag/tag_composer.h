#pragma once
#include <string>

#include "tag/mt_random.h"

// tag + "_" + base-62 code of the name's CRC-32/BZIP2. When the code is empty
// (always for an empty name) the decimal text of random's next value stands in
// for it; random is touched only then. A generator without a handle gives no
// number at all: tag + "_".
std::string ComposeTag(const std::string& tag, const std::string& name, MtGenerator& random);
