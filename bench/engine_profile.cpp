// One second of a settled engine at the given rate, for counting instructions.
#include "engine.h"
#include "fast_math.h"
#include "float_modes.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

int main(int argc, char **argv) {
  const float rate = argc > 1 ? float(std::atof(argv[1])) : 48000.0f;
  const uint32_t block = 512, blocks = uint32_t(rate) / block;
  engine e;
  engine_init(&e);
  engine_set_sample_rate(&e, rate);
  engine_reset(&e);
  std::vector<float> in(block), out(block);
  float phase = 0;
  for (float &x : in) {
    x = 0.5f * fast_sin2pi(phase);
    phase += 220.0f / rate;
  }
  uint32_t modes = float_modes_enter();
  for (uint32_t b = 0; b < blocks; ++b) engine_process(&e, in.data(), out.data(), block);
  float_modes_leave(modes);
  std::printf("%u samples\n", block * blocks);
  return out[0] > 100.0f;  // keeps the result alive
}
