// One-pole parameter smoothers: a value moves toward its target by a fixed
// fraction per sample; the stage smoothers snap onto the target once close.
#pragma once

#include "fast_math.h"

// Cutoff, threshold and pole, shared by every value smoothed with them.
struct smoother_settings {
  float cutoff;             // Hz
  float threshold;          // 0: no sticky threshold
  float threshold_squared;
  float rate_term;          // sample rate · 1/(2π)
  float coefficient;
};

// A smoother with a value of its own (the level smoothers).
struct smoother {
  smoother_settings settings;
  float value;
  float target;
};

inline float smoother_coefficient(float cutoff, float rate_term) {
  return rate_term * fast_rcp(rate_term + cutoff);
}

void smoother_settings_init(smoother_settings *s, float cutoff, float threshold);
void smoother_settings_set_rate(smoother_settings *s, float rate);

inline float smoother_step(float value, float target, float coefficient) {
  return (value - target) * coefficient + target;
}

// A NaN in either comparison keeps the stepped value.
inline float smoother_step_absolute(float value, float target, const smoother_settings *s) {
  float v = smoother_step(value, target, s->coefficient);
  float d = v - target;
  return d * d <= s->threshold_squared ? target : v;
}

inline float smoother_step_relative(float value, float target, const smoother_settings *s) {
  float v = smoother_step(value, target, s->coefficient);
  float d = v - target;
  return d * d <= (s->threshold_squared * target) * target ? target : v;
}

// The next value of a smoother without threshold.
inline float smoother_next(smoother *s) {
  s->value = smoother_step(s->value, s->target, s->settings.coefficient);
  return s->value;
}
