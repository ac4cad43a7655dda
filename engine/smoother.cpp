#include "smoother.h"

void smoother_settings_init(smoother_settings *s, float cutoff, float threshold) {
  s->cutoff = cutoff;
  s->threshold = threshold;
  s->threshold_squared = threshold * threshold;
  s->rate_term = 0.0f;
  s->coefficient = 0.0f;
}

// The pole 1 / (1 + 2π·cutoff/rate): a fixed time constant at any rate.
void smoother_settings_set_rate(smoother_settings *s, float rate) {
  s->rate_term = rate * 0.15915494f;
  s->coefficient = smoother_coefficient(s->cutoff, s->rate_term);
  s->threshold_squared = s->threshold * s->threshold;
}
