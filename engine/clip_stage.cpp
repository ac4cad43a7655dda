#include "clip_stage.h"

#include "fast_math.h"
#include "recompute.h"

// The circuit: a non-inverting amplifier whose inverting node n is tied to
// ground through 4.7 kΩ in series with C1, and to the output through R, C2 and
// a pair of antiparallel diodes (Is = 2.52 nA, n·Vt = 45.552 mV). The output
// rails are +3.92 V and -3.12 V.
namespace {

constexpr float g_ground_leg = 0.000212765954f;  // 1/4.7 kΩ
constexpr float c1_scale = 3.38627542e-05f;       // 1/(2π·4.7 kΩ): C1 from the low corner
constexpr float c2_scale = 2.88847446e-07f;       // 1/(2π·551 kΩ): C2 from the high corner
constexpr float natural_scale = 0.00232151337f;   // 1/(2π·√4.7 kΩ)
constexpr float inv_diode_vt = 21.952932f;        // 1/45.552 mV
constexpr float diode_vt = 0.045552f;             // n·Vt, V
constexpr double diode_vt_double = 0.045552;
constexpr float diode_is_over_vt = 5.53213901e-08f;  // 2.52 nA / 45.552 mV
constexpr float rail_high = 3.92f;
constexpr float rail_low = -3.12f;
constexpr float r_min = 51000.0f;          // feedback resistance at no drive, Ω
constexpr float r_drive_span = 500000.0f;  // added over the drive range, Ω

inline float omega_unless_huge(float x) { return x >= 1e9f ? x : fast_omega(x); }

// Recomputes the component values for the smoothed values that moved.
void update_components(clip_stage *s, bool drive_moved, bool low_moved, bool high_moved) {
  if (drive_moved) s->R = s->drive_s * r_drive_span + r_min;
  if (low_moved) s->C1 = fast_rcp(s->low_s) * c1_scale;
  if (high_moved) s->C2 = fast_rcp(s->high_s) * c2_scale;
  // The network's natural frequency 1/(2π·√(4.7 kΩ·R·C1·C2)), where the
  // trapezoidal rule is prewarped.
  float P = s->C1 * s->R * s->C2;
  float Q = fast_rcp(P);
  float fp = Q < 1.17549435e-38f ? 0.0f : fast_sqrt(Q) * natural_scale;
  s->k = bilinear_constant(fp, s->os_rate, s->inv_os_rate, s->limit);
}

// Takes one smoothing step for each value away from its target. Returns true
// when anything moved.
bool smooth(clip_stage *s) {
  bool drive_moved = !(s->drive_s == s->drive_amount);
  bool low_moved = !(s->low_s == s->heat_corner_low);
  bool high_moved = !(s->high_s == s->heat_corner_high);
  if (!(drive_moved || low_moved || high_moved)) return false;
  if (drive_moved) s->drive_s = smoother_step_absolute(s->drive_s, s->drive_amount, &s->smoothing);
  if (low_moved) s->low_s = smoother_step_relative(s->low_s, s->heat_corner_low, &s->smoothing);
  if (high_moved) s->high_s = smoother_step_relative(s->high_s, s->heat_corner_high, &s->smoothing);
  update_components(s, drive_moved, low_moved, high_moved);
  return true;
}

// Companion conductances of the capacitors (their change since the previous
// sample enters as an extra conductance) and the closed-form solution's
// coefficients for the linear and the rail-limited cases.
void compute_coefficients(clip_stage *s) {
  float R = s->R, C1 = s->C1, C2 = s->C2, k = s->k;
  float g1 = k * C1 + (C1 - s->C1_prev) * s->os_rate;
  float g2 = k * C2 + (C2 - s->C2_prev) * s->os_rate;
  s->C1_prev = C1;
  s->C2_prev = C2;

  float y1 = fast_rcp(g1 + g_ground_leg);
  s->g1 = g1;
  s->a_leg = g1 * y1;
  s->b_leg = -C1 * y1;

  float y2 = fast_rcp(R * g2 + 1.0f);
  s->r_fb = -y2 * R;
  s->x_gain = ((g1 * s->a_leg - g1) - g2) * s->r_fb + y2;
  s->d_scale = float(double(fast_rcp(s->r_fb)) * -diode_vt_double);
  float i1 = -diode_is_over_vt * s->r_fb;
  s->d_arg = fast_ln(i1) + i1;
  s->d_base = omega_unless_huge(s->d_arg);

  float y3 = fast_rcp((g_ground_leg * s->a_leg + g2) * R + 1.0f);
  s->r_rail = R * y3;
  s->e_leg = -g_ground_leg * s->r_rail;
  s->e_c2 = -C2 * s->r_rail;
  s->e_out = g2 * s->r_rail + y3;
  s->off_hi = rail_high * s->e_out;
  s->off_lo = rail_low * s->e_out;
  float i2 = diode_is_over_vt * s->r_rail;
  s->rd_scale = fast_rcp(s->r_rail) * diode_vt;
  s->rd_arg = fast_ln(i2) + i2;
  s->rd_base = omega_unless_huge(s->rd_arg);
}

// The smoothing and coefficient part of a step.
void advance(clip_stage *s) {
  // After a move, the next step still sees C1_prev ≠ C1 (or a new R): the
  // coefficients settle one step after the smoothed values do.
  bool moved = smooth(s);
  if (recompute_always || moved || s->coefficients_stale) {
    compute_coefficients(s);
    s->coefficients_stale = moved;
  }
  s->settled = !recompute_always && !moved && !s->coefficients_stale;
}

// The closed-form solve of one step. c may be a local copy of the stage, so
// that the samples written meanwhile cannot alias its coefficients.
inline float solve(const clip_stage &c, clip_state &st, float x) {
  const float k = c.k;
  float h_fb = k * st.v_fb + st.d_fb;
  float h_leg = k * st.v_leg + st.d_leg;
  float m = c.b_leg * h_leg;
  // The output if no diode current flowed, then the diodes' correction.
  float lin = c.x_gain * x + ((c.g1 * m + c.C1 * h_leg) - c.C2 * h_fb) * c.r_fb;
  float delta = lin - x;
  float sigma = fast_sign(delta);
  float w = omega_unless_huge(delta * inv_diode_vt * sigma + c.d_arg);
  float y = ((c.d_scale * sigma) * (w - c.d_base)) * c.r_fb + lin;

  float out, node;
  if (y > rail_high || y < rail_low) {
    // At a rail the output is fixed and the node is solved instead.
    float V = y > rail_high ? rail_high : rail_low;
    float off = y > rail_high ? c.off_hi : c.off_lo;
    float u = c.e_leg * m + c.e_c2 * h_fb;
    float z = (u - V) - off;
    float sigma2 = fast_sign(z);
    float w2 = omega_unless_huge(z * -inv_diode_vt * sigma2 + c.rd_arg);
    node = (w2 - c.rd_base) * (c.rd_scale * sigma2) * c.r_rail + u + off;
    out = V;
  } else {
    out = y;
    node = x;
  }

  st.v_fb = out - node;
  st.v_leg = node - (c.a_leg * node + m);
  st.d_fb = k * st.v_fb - h_fb;
  st.d_leg = k * st.v_leg - h_leg;
  return out;
}

}  // namespace

void clip_stage_init(clip_stage *s) {
  smoother_settings_init(&s->smoothing, 0.15915494f * fast_rcp(0.005f), 0.001f);  // 5 ms
}

void clip_stage_set_rate(clip_stage *s, float os_rate) {
  s->os_rate = os_rate;
  s->inv_os_rate = 1.0f / os_rate;
  s->limit = 0.499f * os_rate;
  smoother_settings_set_rate(&s->smoothing, os_rate);
  s->coefficients_stale = true;
  s->settled = false;
}

void clip_stage_set_targets(clip_stage *s, float drive_amount, float heat_corner_low, float heat_corner_high) {
  s->drive_amount = drive_amount;
  s->heat_corner_low = heat_corner_low;
  s->heat_corner_high = heat_corner_high;
  s->settled = false;
}

void clip_stage_reset(clip_stage *s, clip_state *state) {
  s->drive_s = s->drive_amount;
  s->low_s = s->heat_corner_low;
  s->high_s = s->heat_corner_high;
  update_components(s, true, true, true);
  s->C1_prev = s->C1;
  s->C2_prev = s->C2;
  s->coefficients_stale = true;
  s->settled = false;
  *state = clip_state{};
}

void clip_stage_process(clip_stage *s, clip_state *state, float *x, uint32_t count) {
  clip_state st = *state;
  uint32_t j = 0;
  for (; j < count && !s->settled; ++j) {
    advance(s);
    x[j] = solve(*s, st, x[j]);
  }
  if (j < count) {
    const clip_stage settled = *s;
    for (; j < count; ++j) x[j] = solve(settled, st, x[j]);
  }
  *state = st;
}
