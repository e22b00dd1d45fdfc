// The invariant checks of the fuzz targets: a broken one prints where and aborts, which libFuzzer
// reports as a crash and keeps the input for.
#pragma once

#include <cstdio>
#include <cstdlib>

#define LT_FUZZ_CHECK(condition)                                                                             \
    do {                                                                                                     \
        if (!(condition)) {                                                                                  \
            std::fprintf(stderr, "%s:%d: invariant broken: %s\n", __FILE__, __LINE__, #condition);           \
            std::abort();                                                                                    \
        }                                                                                                    \
    } while (false)
