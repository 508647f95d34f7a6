#pragma once
// A check that stops the run with a message; libFuzzer then keeps the input.
// The references it is checked against are shared with the other tests.
#include <cstdio>
#include <cstdlib>

#include "reference_code.h"
#include "reference_models.h"

#define FUZZ_CHECK(condition, what)                                                      \
    do {                                                                                 \
        if (!(condition)) {                                                              \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, what); \
            std::abort();                                                                \
        }                                                                                \
    } while (0)
