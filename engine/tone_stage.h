// The tone stage: a passive network around the tone potentiometer, solved per
// oversampled sample (trapezoidal rule, prewarped along the tone taper).
#pragma once

#include <cstdint>

#include "smoother.h"

struct tone_stage {
  smoother_settings smoothing;
  float os_rate;
  float inv_os_rate;
  float limit;  // 0.499·os_rate
  float C_t;    // 220 nF, each of the two equal capacitors

  float tone_amount;  // target
  float tone_s;       // smoothed value

  // Tone-dependent values.
  float Ga, Gb, Gsum, out_v, out_u, g_mid, fp, k_t;

  // Per-sample coefficients, depending only on the tone-dependent values:
  // computed again only while tone_s moves (stale also when the target changed
  // and tone_s has yet to be compared with it).
  float a, b, c, d, e, c_u, c_x, c_h, c_g;
  bool coefficients_stale;
};

struct tone_state {
  float s_v;
  float s_w;
  float s_dv;
  float s_dw;
};

void tone_stage_init(tone_stage *s);
void tone_stage_set_rate(tone_stage *s, float os_rate);
void tone_stage_set_target(tone_stage *s, float tone_amount);
void tone_stage_reset(tone_stage *s, tone_state *state);
// Runs count samples in place, one step each.
void tone_stage_process(tone_stage *s, tone_state *state, float *samples, uint32_t count);
