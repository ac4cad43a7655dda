#include "resampler.h"

#include "fast_math.h"

int32_t resampler_ratio_for_rate(float rate) {
  float x = 176400.0f / rate;
  float c = float_integer_part(x);
  if (c - x < 0.0f && !(x < 0.0f)) c = c + 1.0f;
  int32_t n = float_truncate(c);
  return n > resampler_max_ratio ? resampler_max_ratio : n;
}

// Places the stopband edge at v/2 of the base rate: 0.547 for R = 2 up to
// 0.615 for R = 16.
float resampler_edge(int32_t ratio) {
  float r = float(ratio);
  return fast_rcp(r - 0.48647094f) * (1.2456399f * r - 0.83545053f);
}

// Order-16 Chebyshev type II low-pass, 100 dB stopband: eight sections from
// the type I prototype poles sg ± j·s·cosh(μ), inverted, each with unity DC
// gain. 1.305446 and 0.83925736 stand for cosh(μ) and sinh(μ), μ ≈ asinh(1e5)/16.
void resampler_design(resampler *r, int32_t ratio, float edge) {
  int32_t R = ratio < 0 ? -ratio : ratio;
  r->ratio = ratio;
  r->section_count = resampler_sections;
  float t = fast_tan2pi(((edge * 0.5f) / float(R)) * 3.1415927f * 0.15915494f);
  float W = t * t;
  for (int i = 0; i < resampler_sections; ++i) {
    float a = (float(2 * i) * 0.09817477f + 0.09817477f) * 0.15915494f;  // (2i+1)·π/32
    float sn = fast_sin2pi(a);
    float cs = fast_cos2pi(a);
    float norm = sn * sn + cs * cs;
    float K = norm < 1.17549435e-38f ? __builtin_inff() : 1.0f / fast_sqrt(norm);
    float s = sn * K;
    float U = 1.0f / s;
    float sg = K * cs * -0.83925736f;
    float O2 = (s * 1.305446f) * (s * 1.305446f);
    float U2 = U * U;
    float V = 1.0f / (((sg - t) * (sg - t) + O2) * U2);
    float U3 = U2 * V;
    r->b0[i] = V + W * U3;
    r->b1[i] = (W * U3 - V) * 2.0f;
    r->p[i] = ((sg * sg + O2) - W) * (U3 + U3);
    r->q[i] = ((t + sg) * (t + sg) + O2) * -U3;
  }
}

void resampler_reset(resampler_state *s) {
  for (int i = 0; i < resampler_sections; ++i) s->z1[i] = s->z2[i] = 0.0f;
  s->counter = 0;
}

// Eight sections in series: (b0 + b1·z⁻¹ + b0·z⁻²) / (1 − p·z⁻¹ − q·z⁻²),
// transposed direct form II.
static inline float resampler_filter(const resampler *r, resampler_state *s, float x) {
  for (int i = 0; i < resampler_sections; ++i) {
    float y = s->z1[i] + r->b0[i] * x;
    s->z1[i] = r->b1[i] * x + r->p[i] * y + s->z2[i];
    s->z2[i] = r->q[i] * y + r->b0[i] * x;
    x = y;
  }
  return x;
}

// Zero stuffing: the first sample scaled by R carries the group's energy.
void resampler_upsample(const resampler *r, resampler_state *s, float x, float *out) {
  int32_t R = r->ratio;
  out[0] = resampler_filter(r, s, x * float(R));
  for (int32_t k = 1; k < R; ++k) out[k] = resampler_filter(r, s, 0.0f);
}

// Every sample advances the filter; the first of each group is kept.
float resampler_downsample(const resampler *r, resampler_state *s, const float *in) {
  int32_t R = -r->ratio;
  float result = 0.0f;
  for (int32_t k = 0; k < R; ++k) {
    float y = resampler_filter(r, s, in[k]);
    if (s->counter == 0) {
      result = y;
      s->counter = R;
    }
    s->counter = s->counter - 1;
  }
  return result;
}
