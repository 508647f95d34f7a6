#pragma once
#include <cstdio>

#include "options.h"

// Runs zentrail-tag on the given streams and returns its exit code: 0 when
// every tag was written, 1 when reading or writing failed, 2 for bad usage.
// Standard output gets nothing on bad usage.
int RunTagTool(const TagToolOptions& options, std::FILE* in, std::FILE* out, std::FILE* err);
