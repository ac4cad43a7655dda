// A broken property is a finding: stop at once, so libFuzzer saves the input.
#pragma once

#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(condition)                                              \
  do {                                                                     \
    if (!(condition)) {                                                    \
      std::fprintf(stderr, "%s:%d: %s does not hold\n", __FILE__, __LINE__, \
                   #condition);                                            \
      std::abort();                                                        \
    }                                                                      \
  } while (0)
