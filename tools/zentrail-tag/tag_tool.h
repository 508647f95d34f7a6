#pragma once
#include <cstdio>

#include "options.h"

// Runs zentrail-tag on the given streams and returns its exit code: 0 when
// every tag was written, 1 when reading or writing failed, 2 for bad usage.
// Throws std::bad_alloc when memory runs out, after flushing whole lines.
// Standard output gets nothing on bad usage.
int RunTagTool(const TagToolOptions& options, std::FILE* in, std::FILE* out, std::FILE* err);

// The whole command: parses argv, then runs. Memory that cannot be had is
// exit code 1 with "zentrail-tag: out of memory" on standard error, not an
// abort; what was written before it stays written.
int RunTagToolCommand(int argc, const char* const* argv, std::FILE* in, std::FILE* out,
                      std::FILE* err);
