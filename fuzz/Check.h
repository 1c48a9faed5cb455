// A property every fuzz target states: when it does not hold the process
// aborts with the reason, and libFuzzer keeps the input as a crash.
#pragma once

#include <cstdio>
#include <cstdlib>

#define E14_FUZZ_CHECK(condition)                                                           \
  do {                                                                                     \
    if (!(condition)) {                                                                    \
      std::fprintf(stderr, "%s:%d: property failed: %s\n", __FILE__, __LINE__, #condition); \
      std::abort();                                                                        \
    }                                                                                      \
  } while (false)
