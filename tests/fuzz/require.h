#pragma once

#include <cstdio>
#include <cstdlib>

// Names the broken invariant before the crash that libFuzzer records.
#define require(condition)                                                                                   \
    do {                                                                                                     \
        if (!(condition)) {                                                                                  \
            std::fprintf(stderr, "invariant broken: %s\n", #condition);                                      \
            std::abort();                                                                                    \
        }                                                                                                    \
    } while (false)
