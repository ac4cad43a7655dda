// The benchmarks' engine and input: set up at a rate, one block of a 220 Hz
// sine at half scale.
#pragma once

#include "engine.h"
#include "fast_math.h"

#include <vector>

inline std::vector<float> bench_engine_setup(engine *e, float rate, uint32_t block) {
  engine_init(e);
  engine_set_sample_rate(e, rate);
  engine_reset(e);
  std::vector<float> in(block);
  float phase = 0;
  for (float &x : in) {
    x = 0.5f * fast_sin2pi(phase);
    phase += 220.0f / rate;
  }
  return in;
}
