// The clipping stage: a non-inverting amplifier with antiparallel diodes in
// its feedback, solved per oversampled sample in closed form.
#pragma once

#include <cstdint>

#include "smoother.h"

struct clip_stage {
  smoother_settings smoothing;  // shared by drive_s, low_s and high_s
  float os_rate;
  float inv_os_rate;
  float limit;  // 0.499·os_rate

  // Targets.
  float drive_amount;
  float heat_corner_low;
  float heat_corner_high;

  // Smoothed values.
  float drive_s;
  float low_s;
  float high_s;

  // Component values and the capacitances of the previous sample.
  float R;
  float C1;
  float C2;
  float k;
  float C1_prev;
  float C2_prev;

  // Per-sample coefficients.
  float g1, a_leg, b_leg, r_fb, x_gain, d_scale, d_arg, d_base;
  float r_rail, e_leg, e_c2, e_out, off_hi, off_lo, rd_scale, rd_arg, rd_base;

  // The per-sample coefficients depend only on values that stop changing
  // once the smoothers have settled; they are computed again only while
  // something moved in this step or the one before. Settled: the smoothed
  // values equal their targets and the coefficients are final.
  bool coefficients_stale;
  bool settled;
};

// Capacitor voltages and their trapezoidal derivative terms.
struct clip_state {
  float v_fb;
  float v_leg;
  float d_fb;
  float d_leg;
};

void clip_stage_init(clip_stage *s);
void clip_stage_set_rate(clip_stage *s, float os_rate);
void clip_stage_set_targets(clip_stage *s, float drive_amount, float heat_corner_low, float heat_corner_high);
void clip_stage_reset(clip_stage *s, clip_state *state);
// Runs count samples in place, one step each.
void clip_stage_process(clip_stage *s, clip_state *state, float *samples, uint32_t count);
