// First-order DC-blocking high-pass sections (bilinear, prewarped at the corner).
#pragma once

struct dc_blocker {
  float b0;
  float b1;
  float a1;
};

void dc_blocker_design(dc_blocker *d, float corner, float rate);

// Transposed direct form II; the state lives with the engine's signal state.
inline float dc_blocker_process(const dc_blocker *d, float *state, float x) {
  float y = d->b0 * x + *state;
  *state = d->b1 * x - d->a1 * y;
  return y;
}
