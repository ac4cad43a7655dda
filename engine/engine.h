// The whole signal processing of one instance: a plain record embedded by
// value in each plug-in instance. It holds no pointers, allocates nothing,
// takes no lock and calls no system function.
//
// Calling order: engine_init; engine_set_sample_rate; engine_reset; then any
// sequence of engine_set_parameter and engine_process. A new sample rate must
// be followed by engine_reset before the next engine_process. Callers run
// engine_process with flush-to-zero and denormals-are-zero on (float_modes.h).
#pragma once

#include <cstdint>

#include "clip_stage.h"
#include "dc_blocker.h"
#include "parameters.h"
#include "resampler.h"
#include "smoother.h"
#include "tone_stage.h"

// Samples are processed in chunks of this many base-rate samples, stage by
// stage; every filter and smoother still sees its samples in order.
constexpr int engine_chunk = 32;

struct engine {
  dc_blocker input_dc_blockers[2];  // 7.09 Hz, 15.52 Hz
  resampler upsampler;
  struct clip_stage clip_stage;
  smoother heat_gain_smoother;
  struct tone_stage tone_stage;
  resampler downsampler;
  dc_blocker output_dc_blockers[2];  // 3.12 Hz, 1.59 Hz
  smoother mix_smoother;
  smoother volume_smoother;
  smoother active_smoother;
  int32_t oversampling_ratio;

  // Signal state, cleared by engine_reset.
  float input_dc_state[2];
  resampler_state upsampler_state;
  struct clip_state clip_state;
  struct tone_state tone_state;
  resampler_state downsampler_state;
  float output_dc_state[2];

  float work_buffer[resampler_max_ratio * engine_chunk];  // one chunk, oversampled
  float chunk_buffer[engine_chunk];                       // one chunk at the base rate
  float parameter_values[parameter_count];
  float sample_rate;  // 0 until engine_set_sample_rate

  // The mix compensation of the last sample and the bits of the mix value it
  // belongs to: once the mix smoother has settled, the compensation is reused.
  uint32_t compensation_mix_bits;
  float compensation;
};

void engine_init(engine *e);
void engine_set_sample_rate(engine *e, float rate);
void engine_reset(engine *e);
// A value outside the parameter's range is clamped into it; a value that is
// not a number is ignored (the previous value holds). An index outside 0..5
// does nothing.
void engine_set_parameter(engine *e, int index, float value);
// input and output may be the same buffer. Before a sample rate is set the
// input passes through unchanged.
void engine_process(engine *e, const float *input, float *output, uint32_t count);
