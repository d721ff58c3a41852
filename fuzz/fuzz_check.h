// CHECK(cond): stops a fuzz run at once when a promised property does not hold.
#pragma once

#define CHECK(cond)                    \
    do {                               \
        if (!(cond)) __builtin_trap(); \
    } while (0)
