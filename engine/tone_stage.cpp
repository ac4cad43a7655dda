#include "tone_stage.h"

#include "fast_math.h"
#include "recompute.h"

// The network: two equal 220 nF capacitors, a 20 kΩ tone potentiometer split
// into 20 kΩ·t and 20 kΩ·(1 − t), and fixed 220 Ω, 1 kΩ and 10 kΩ legs. The
// output is (1 + 1 kΩ·Ga)·v − 1 kΩ·Ga·U from the node voltages v and U.
namespace {

constexpr float pot_ohms = 20000.0f;      // tone potentiometer, 20 kΩ
constexpr float g_220 = 0.0045454544f;    // 1/220 Ω
constexpr float g_1k = 0.001f;            // 1/1 kΩ
constexpr float g_1k_10k = 0.0011f;       // 1/1 kΩ + 1/10 kΩ
constexpr float r_1k = 1000.0f;           // output divider, 1 kΩ
constexpr float c_nominal = 2.2e-7f;      // 220 nF

// The frequency (Hz) at which the trapezoidal rule is prewarped, fitted to
// the network's response along the potentiometer.
float taper(float t) {
  if (t <= 0.75f) return ((2204.8f * t - 3200.0f) * t + 2019.8f) * t + 377.0f;
  if (t <= 0.9f) return ((54666.668f * t - 124600.0f) * t + 95873.336f) * t - 23858.0f;
  return fast_pow2(61.5378723f * t - 49.5959969f) + 1298.74292f;
}

void update_tone_values(tone_stage *s) {
  float t = s->tone_s;
  s->Ga = fast_rcp(pot_ohms - t * pot_ohms);
  s->Gb = fast_rcp(t * pot_ohms);
  s->Gsum = s->Gb + s->Ga;
  s->out_u = -r_1k * s->Ga;
  s->out_v = 1.0f - s->out_u;
  s->g_mid = s->Gb + g_1k_10k;
  s->fp = fast_rcp(s->C_t) * (taper(t) * c_nominal);
  s->k_t = bilinear_constant(s->fp, s->os_rate, s->inv_os_rate, s->limit);
}

void compute_coefficients(tone_stage *s) {
  float G = s->k_t * s->C_t;  // companion conductance of each capacitor
  float y1 = fast_rcp(G + s->Gsum);
  s->a = s->Gsum * y1;
  s->b = G * y1;
  s->c = y1 * s->C_t;
  float y2 = fast_rcp((G - s->b * G) + g_220);
  s->d = G * y2;
  s->e = s->a * s->d;
  float y3 = fast_rcp((G - (s->e * s->b + s->a) * s->Gb) + s->g_mid);
  s->c_u = -s->C_t * y2;
  s->c_x = g_1k * y3;
  s->c_h = s->C_t * y3;
  s->c_g = s->Gb * y3;
}

inline float solve(const tone_stage &c, tone_state &st, float x) {
  const float k = c.k_t;
  float h_v = k * st.s_v + st.s_dv;
  float h_w = k * st.s_w + st.s_dw;
  float P = c.c * h_w;
  float Q = c.c_u * h_w;
  float Rr = c.d * P + Q;
  float v = c.c_x * x + (c.c_h * h_v + (c.b * Rr + P) * c.c_g);
  float W = c.e * v + Rr;
  float U = (c.a * v + c.b * W) + P;
  float out = c.out_v * v + U * c.out_u;
  st.s_v = v;
  st.s_w = U - W;
  st.s_dv = k * v - h_v;
  st.s_dw = k * (U - W) - h_w;
  return out;
}

}  // namespace

void tone_stage_init(tone_stage *s) {
  smoother_settings_init(&s->smoothing, 0.15915494f * fast_rcp(0.005f), 0.001f);  // 5 ms
  s->C_t = fast_rcp(1.0f) * c_nominal;
}

void tone_stage_set_rate(tone_stage *s, float os_rate) {
  s->os_rate = os_rate;
  s->inv_os_rate = 1.0f / os_rate;
  s->limit = 0.499f * os_rate;
  smoother_settings_set_rate(&s->smoothing, os_rate);
  s->coefficients_stale = true;
}

void tone_stage_set_target(tone_stage *s, float tone_amount) {
  s->tone_amount = tone_amount;
  s->coefficients_stale = true;  // checked, with tone_s, at the next step
}

void tone_stage_reset(tone_stage *s, tone_state *state) {
  s->tone_s = s->tone_amount;
  update_tone_values(s);
  s->coefficients_stale = true;
  *state = tone_state{};
}

void tone_stage_process(tone_stage *s, tone_state *state, float *x, uint32_t count) {
  tone_state st = *state;
  uint32_t j = 0;
  // While tone_s moves, every step updates the tone-dependent values and the
  // coefficients; afterwards they hold.
  for (; j < count && (recompute_always || s->coefficients_stale); ++j) {
    bool moved = !(s->tone_s == s->tone_amount);
    if (moved) {
      s->tone_s = smoother_step_absolute(s->tone_s, s->tone_amount, &s->smoothing);
      update_tone_values(s);
    }
    compute_coefficients(s);
    s->coefficients_stale = moved;
    x[j] = solve(*s, st, x[j]);
  }
  if (j < count) {
    const tone_stage settled = *s;
    for (; j < count; ++j) x[j] = solve(settled, st, x[j]);
  }
  *state = st;
}
