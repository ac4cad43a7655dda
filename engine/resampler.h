// Integer-ratio up- and downsampling through an order-16 Chebyshev type II
// low-pass (eight biquad sections) at the oversampled rate.
#pragma once

#include <cstdint>

constexpr int resampler_sections = 8;
constexpr int resampler_max_ratio = 16;

struct resampler {
  int32_t ratio;  // +R upsampler, -R downsampler
  int32_t section_count;
  float b0[resampler_sections];
  float b1[resampler_sections];
  float p[resampler_sections];
  float q[resampler_sections];
};

struct resampler_state {
  float z1[resampler_sections];
  float z2[resampler_sections];
  int32_t counter;
};

// The smallest ratio reaching 176.4 kHz from rate, at most 16.
int32_t resampler_ratio_for_rate(float rate);

// The stopband-edge parameter shared by both resamplers of one ratio.
float resampler_edge(int32_t ratio);

void resampler_design(resampler *r, int32_t ratio, float edge);
void resampler_reset(resampler_state *s);

// count base-rate samples into count·R oversampled samples.
void resampler_upsample(const resampler *r, resampler_state *s, const float *in, uint32_t count, float *out);
// count·R oversampled samples (filtered in place) into count base-rate
// samples: of each group of R, the filtered first one.
void resampler_downsample(const resampler *r, resampler_state *s, float *in, uint32_t count, float *out);
