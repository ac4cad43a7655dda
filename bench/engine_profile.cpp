// One second of a settled engine at the given rate, for counting instructions.
#include "bench_engine.h"
#include "float_modes.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

int main(int argc, char **argv) {
  const float rate = argc > 1 ? float(std::atof(argv[1])) : 48000.0f;
  const uint32_t block = 512, blocks = uint32_t(rate) / block;
  engine e;
  std::vector<float> in = bench_engine_setup(&e, rate, block), out(block);
  uint32_t modes = float_modes_enter();
  for (uint32_t b = 0; b < blocks; ++b) engine_process(&e, in.data(), out.data(), block);
  float_modes_leave(modes);
  std::printf("%u samples\n", block * blocks);
  return out[0] > 100.0f;  // keeps the result alive
}
