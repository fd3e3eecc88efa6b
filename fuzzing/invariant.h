#pragma once

#include <cstdio>
#include <cstdlib>

// A broken invariant ends the run with a message; libFuzzer keeps the input that broke it.
namespace fuzz {

[[noreturn]] inline void violated(const char* what)
{
    std::fprintf(stderr, "invariant violated: %s\n", what);
    std::abort();
}

inline void require(bool condition, const char* what)
{
    if (!condition)
        violated(what);
}

} // namespace fuzz
