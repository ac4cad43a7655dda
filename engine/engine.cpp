#include "engine.h"

#include "fast_math.h"
#include "recompute.h"

namespace {

constexpr float input_gain = 4.0f;
constexpr float input_corners[2] = {7.09f, 15.52f};   // Hz
constexpr float output_corners[2] = {3.12f, 1.59f};   // Hz
constexpr uint32_t compensation_unset = 0x7FC00001u;  // a NaN pattern m never has

float level_cutoff() { return 0.15915494f * fast_rcp(0.05f); }  // 50 ms

void smoother_init(smoother *s) { smoother_settings_init(&s->settings, level_cutoff(), 0.0f); }

// Loudness compensation of the dry/wet mix: 0.7621998 + 3.5505533·e^(−2.703428·m),
// 4.3128 at m = 0 and 1 at m = 1.
float mix_compensation(float m) {
  float e = m * -2.703428f * 1.442695f;
  return e < -126.0f ? 0.7621998f : fast_pow2(e) * 3.5505533f + 0.7621998f;
}

// The oversampled chain over a run of samples in place: the clipping stage,
// the smoothed heat level, the tone stage.
void run_stages(engine *e, float *x, uint32_t n) {
  clip_stage_process(&e->clip_stage, &e->clip_state, x, n);
  smoother heat = e->heat_gain_smoother;
  for (uint32_t j = 0; j < n; ++j) x[j] = smoother_next(&heat) * x[j];
  e->heat_gain_smoother = heat;
  tone_stage_process(&e->tone_stage, &e->tone_state, x, n);
}

// Input gain and the input DC blockers, into the chunk buffer.
void run_input(engine *e, const float *input, uint32_t n) {
  const dc_blocker first = e->input_dc_blockers[0], second = e->input_dc_blockers[1];
  float s1 = e->input_dc_state[0], s2 = e->input_dc_state[1];
  for (uint32_t i = 0; i < n; ++i) {
    float y = dc_blocker_process(&first, &s1, input_gain * input[i]);
    e->chunk_buffer[i] = dc_blocker_process(&second, &s2, y);
  }
  e->input_dc_state[0] = s1;
  e->input_dc_state[1] = s2;
}

// Output DC blockers, dry/wet mix, volume and the bypass crossfade. Reads
// each input sample before writing the output sample at its position.
void run_output(engine *e, const float *input, float *output, uint32_t n) {
  const dc_blocker first = e->output_dc_blockers[0], second = e->output_dc_blockers[1];
  float s1 = e->output_dc_state[0], s2 = e->output_dc_state[1];
  smoother mix = e->mix_smoother, volume = e->volume_smoother, active = e->active_smoother;
  uint32_t compensation_bits = e->compensation_mix_bits;
  float compensation = e->compensation;
  for (uint32_t i = 0; i < n; ++i) {
    float x = input[i];
    float d = input_gain * x;
    float w = dc_blocker_process(&first, &s1, e->chunk_buffer[i]);
    w = dc_blocker_process(&second, &s2, w);
    float m = smoother_next(&mix);
    float mixed = d + (w - d) * m;
    // Once the mix has settled its compensation is the same every sample
    // (compared by bits: +0 and -0 give different compensations).
    if (recompute_always || float_bits(m) != compensation_bits) {
      compensation_bits = float_bits(m);
      compensation = mix_compensation(m);
    }
    float v = smoother_next(&volume);
    float a = smoother_next(&active);
    output[i] = (v * (mixed * compensation) - x) * a + x;
  }
  e->output_dc_state[0] = s1;
  e->output_dc_state[1] = s2;
  e->mix_smoother = mix;
  e->volume_smoother = volume;
  e->active_smoother = active;
  e->compensation_mix_bits = compensation_bits;
  e->compensation = compensation;
}

}  // namespace

void engine_init(engine *e) {
  *e = engine{};
  clip_stage_init(&e->clip_stage);
  tone_stage_init(&e->tone_stage);
  smoother_init(&e->heat_gain_smoother);
  smoother_init(&e->mix_smoother);
  smoother_init(&e->volume_smoother);
  smoother_init(&e->active_smoother);
  e->oversampling_ratio = 1;
  e->sample_rate = 0.0f;
  for (int i = 0; i < parameter_count; ++i) engine_set_parameter(e, i, float(parameter_table[i].default_value));
  e->compensation_mix_bits = compensation_unset;
}

void engine_set_sample_rate(engine *e, float rate) {
  e->sample_rate = rate;
  for (int i = 0; i < 2; ++i) {
    dc_blocker_design(&e->input_dc_blockers[i], input_corners[i], rate);
    dc_blocker_design(&e->output_dc_blockers[i], output_corners[i], rate);
  }
  int32_t n = resampler_ratio_for_rate(rate);
  e->oversampling_ratio = n;
  if (n >= 2) {
    float edge = resampler_edge(n);
    resampler_design(&e->upsampler, n, edge);
    resampler_design(&e->downsampler, -n, edge);
  }
  float os_rate = float(e->oversampling_ratio) * rate;
  clip_stage_set_rate(&e->clip_stage, os_rate);
  tone_stage_set_rate(&e->tone_stage, os_rate);
  smoother_settings_set_rate(&e->heat_gain_smoother.settings, os_rate);
  smoother_settings_set_rate(&e->mix_smoother.settings, rate);
  smoother_settings_set_rate(&e->volume_smoother.settings, rate);
  smoother_settings_set_rate(&e->active_smoother.settings, rate);
}

void engine_reset(engine *e) {
  for (int i = 0; i < 2; ++i) e->input_dc_state[i] = e->output_dc_state[i] = 0.0f;
  if (e->oversampling_ratio >= 2) {
    resampler_reset(&e->upsampler_state);
    resampler_reset(&e->downsampler_state);
  }
  clip_stage_reset(&e->clip_stage, &e->clip_state);
  e->heat_gain_smoother.value = e->heat_gain_smoother.target;
  tone_stage_reset(&e->tone_stage, &e->tone_state);
  e->mix_smoother.value = e->mix_smoother.target;
  e->volume_smoother.value = e->volume_smoother.target;
  e->active_smoother.value = e->active_smoother.target;
  e->compensation_mix_bits = compensation_unset;
}

void engine_set_parameter(engine *e, int index, float value) {
  if (index < 0 || index >= parameter_count) return;
  if (value != value) return;  // not a number: the previous value holds
  float p = parameter_clamp(index, value);
  e->parameter_values[index] = p;
  switch (index) {
    case parameter_drive:
      clip_stage_set_targets(&e->clip_stage, parameter_drive_amount(p), e->clip_stage.heat_corner_low,
                             e->clip_stage.heat_corner_high);
      break;
    case parameter_tone:
      tone_stage_set_target(&e->tone_stage, parameter_tone_amount(p));
      break;
    case parameter_heat: {
      float low, high;
      parameter_heat_targets(p, &low, &high, &e->heat_gain_smoother.target);
      clip_stage_set_targets(&e->clip_stage, e->clip_stage.drive_amount, low, high);
      break;
    }
    case parameter_mix:
      e->mix_smoother.target = parameter_mix_amount(p);
      break;
    case parameter_volume:
      e->volume_smoother.target = parameter_volume_gain(p);
      break;
    case parameter_bypass:
      e->active_smoother.target = parameter_active_amount(p);
      break;
  }
}

void engine_process(engine *e, const float *input, float *output, uint32_t count) {
  if (!(e->sample_rate > 0.0f)) {
    // No rate yet: nothing is set up to process with.
    for (uint32_t i = 0; i < count; ++i) output[i] = input[i];
    return;
  }
  const int32_t ratio = e->oversampling_ratio;
  const uint32_t chunk = recompute_always ? 1 : uint32_t(engine_chunk);
  for (uint32_t start = 0; start < count; start += chunk) {
    const uint32_t n = count - start < chunk ? count - start : chunk;
    run_input(e, input + start, n);
    if (ratio < 2) {
      run_stages(e, e->chunk_buffer, n);
    } else {
      resampler_upsample(&e->upsampler, &e->upsampler_state, e->chunk_buffer, n, e->work_buffer);
      run_stages(e, e->work_buffer, n * uint32_t(ratio));
      resampler_downsample(&e->downsampler, &e->downsampler_state, e->work_buffer, n, e->chunk_buffer);
    }
    run_output(e, input + start, output + start, n);
  }
}
