#pragma once

#include <cstdio>
#include <cstdlib>

// Ends the fuzzing run as a crash, so that libFuzzer keeps the input, when a property fails.
inline void require(bool holds, const char *property)
{
    if (holds)
        return;
    std::fprintf(stderr, "property failed: %s\n", property);
    std::abort();
}
