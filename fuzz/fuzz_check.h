// CHECK(cond): stops a fuzz run at once when a promised property does not hold,
// naming the property, so that the run's log says what broke.
#pragma once

#include <cstdio>

#define CHECK(cond)                                                                        \
    do {                                                                                   \
        if (!(cond)) {                                                                     \
            std::fprintf(stderr, "CHECK failed: %s (%s:%d)\n", #cond, __FILE__, __LINE__); \
            __builtin_trap();                                                              \
        }                                                                                  \
    } while (0)
