#include "resampler.h"

#include "fast_math.h"
#include "recompute.h"

#include <emmintrin.h>

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

namespace {

// One section, (b0 + b1·z⁻¹ + b0·z⁻²) / (1 − p·z⁻¹ − q·z⁻²) in transposed
// direct form II.
inline float section_step(const resampler *r, resampler_state *s, int i, float in) {
  float y = s->z1[i] + r->b0[i] * in;
  s->z1[i] = r->b1[i] * in + r->p[i] * y + s->z2[i];
  s->z2[i] = r->q[i] * y + r->b0[i] * in;
  return y;
}

__m128 lane_shift_up(__m128 v) { return _mm_castsi128_ps(_mm_slli_si128(_mm_castps_si128(v), 4)); }
__m128 lane_3(__m128 v) { return _mm_shuffle_ps(v, v, _MM_SHUFFLE(3, 3, 3, 3)); }

}  // namespace

// The eight sections in series over a run of samples, in place. Every
// section sees its samples in order and does exactly the arithmetic of one
// sample passing through all eight before the next, so the results are the
// same bits; the sections are merely interleaved: at step t, section i works
// on sample t − i, which puts all eight side by side in two vectors (each
// lane rounds as the scalar operation does). The front fills and drains in
// scalar steps at the ends of the run.
static void resampler_filter(const resampler *r, resampler_state *s, float *x, uint32_t n) {
  constexpr uint32_t S = resampler_sections;
  if (recompute_always || n < S) {
    for (uint32_t k = 0; k < n; ++k) {
      for (uint32_t i = 0; i < S; ++i) x[k] = section_step(r, s, int(i), x[k]);
    }
    return;
  }
  for (uint32_t t = 0; t < S - 1; ++t) {
    for (uint32_t i = 0; i <= t; ++i) x[t - i] = section_step(r, s, int(i), x[t - i]);
  }

  const __m128 b0a = _mm_loadu_ps(r->b0), b0b = _mm_loadu_ps(r->b0 + 4);
  const __m128 b1a = _mm_loadu_ps(r->b1), b1b = _mm_loadu_ps(r->b1 + 4);
  const __m128 pa = _mm_loadu_ps(r->p), pb = _mm_loadu_ps(r->p + 4);
  const __m128 qa = _mm_loadu_ps(r->q), qb = _mm_loadu_ps(r->q + 4);
  __m128 z1a = _mm_loadu_ps(s->z1), z1b = _mm_loadu_ps(s->z1 + 4);
  __m128 z2a = _mm_loadu_ps(s->z2), z2b = _mm_loadu_ps(s->z2 + 4);
  // Lane i holds the input of section i: sample 7 − i at the first full step.
  __m128 xa = _mm_setr_ps(x[7], x[6], x[5], x[4]);
  __m128 xb = _mm_setr_ps(x[3], x[2], x[1], x[0]);
  __m128 ya, yb;
  for (uint32_t t = S - 1;; ++t) {
    __m128 fa = _mm_mul_ps(b0a, xa), fb = _mm_mul_ps(b0b, xb);
    ya = _mm_add_ps(z1a, fa);
    yb = _mm_add_ps(z1b, fb);
    z1a = _mm_add_ps(_mm_add_ps(_mm_mul_ps(b1a, xa), _mm_mul_ps(pa, ya)), z2a);
    z1b = _mm_add_ps(_mm_add_ps(_mm_mul_ps(b1b, xb), _mm_mul_ps(pb, yb)), z2b);
    z2a = _mm_add_ps(_mm_mul_ps(qa, ya), fa);
    z2b = _mm_add_ps(_mm_mul_ps(qb, yb), fb);
    _mm_store_ss(x + t - 7, lane_3(yb));  // the last section's output
    if (t + 1 == n) break;
    xb = _mm_move_ss(lane_shift_up(yb), lane_3(ya));
    xa = _mm_move_ss(lane_shift_up(ya), _mm_set_ss(x[t + 1]));
  }
  _mm_storeu_ps(s->z1, z1a);
  _mm_storeu_ps(s->z1 + 4, z1b);
  _mm_storeu_ps(s->z2, z2a);
  _mm_storeu_ps(s->z2 + 4, z2b);
  // Outputs of sections 0 to 6 at the last step wait as the inputs of the next.
  float pending[8];
  _mm_storeu_ps(pending, ya);
  _mm_storeu_ps(pending + 4, yb);
  for (uint32_t i = 0; i < S - 1; ++i) x[n - 1 - i] = pending[i];

  for (uint32_t t = n; t < n + S - 1; ++t) {
    for (uint32_t i = t - n + 1; i < S; ++i) x[t - i] = section_step(r, s, int(i), x[t - i]);
  }
}

// Zero stuffing: the first sample of each group, scaled by R, carries its energy.
void resampler_upsample(const resampler *r, resampler_state *s, const float *in, uint32_t count, float *out) {
  const uint32_t R = uint32_t(r->ratio);
  for (uint32_t i = 0; i < count; ++i) {
    out[i * R] = in[i] * float(r->ratio);
    for (uint32_t k = 1; k < R; ++k) out[i * R + k] = 0.0f;
  }
  resampler_filter(r, s, out, count * R);
}

// Every sample advances the filter; the one where the counter runs out is kept.
void resampler_downsample(const resampler *r, resampler_state *s, float *in, uint32_t count, float *out) {
  const int32_t R = -r->ratio;
  resampler_filter(r, s, in, count * uint32_t(R));
  int32_t counter = s->counter;
  for (uint32_t i = 0; i < count; ++i) {
    for (int32_t k = 0; k < R; ++k) {
      if (counter == 0) {
        out[i] = in[i * uint32_t(R) + uint32_t(k)];
        counter = R;
      }
      counter = counter - 1;
    }
  }
  s->counter = counter;
}
