// The clipping and tone stages at the oversampled rate, against the linear
// circuit they model and the limits they keep.
#include "clip_stage.h"
#include "float_modes.h"
#include "parameters.h"
#include "tone_stage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <complex>
#include <vector>

namespace {

constexpr float os_rate = 176400;

struct clip_fixture {
  clip_stage s{};
  clip_state st{};
  clip_fixture(float drive, float heat) {
    clip_stage_init(&s);
    clip_stage_set_rate(&s, os_rate);
    set(drive, heat);
    clip_stage_reset(&s, &st);
  }
  void set(float drive, float heat) {
    float low, high, gain;
    parameter_heat_targets(heat, &low, &high, &gain);
    clip_stage_set_targets(&s, parameter_drive_amount(drive), low, high);
  }
  float step(float x) {
    clip_stage_process(&s, &st, &x, 1);
    return x;
  }
};

struct tone_fixture {
  tone_stage s{};
  tone_state st{};
  explicit tone_fixture(float tone) {
    tone_stage_init(&s);
    tone_stage_set_rate(&s, os_rate);
    tone_stage_set_target(&s, parameter_tone_amount(tone));
    tone_stage_reset(&s, &st);
  }
  float step(float x) {
    tone_stage_process(&s, &st, &x, 1);
    return x;
  }
};

// Amplitude of the 1 kHz component (whole periods, rectangular window).
double amplitude_1khz(const std::vector<float> &x) {
  std::complex<double> sum;
  for (size_t n = 0; n < x.size(); ++n) sum += double(x[n]) * std::polar(1.0, -2 * std::numbers::pi * 1000 * n / os_rate);
  return 2 * std::abs(sum) / x.size();
}

}  // namespace

TEST(clip_stage, zero_in_gives_exact_zero_and_keeps_the_state_at_zero) {
  clip_fixture f(50, 50);
  for (int i = 0; i < 1000; ++i) ASSERT_EQ(f.step(0.0f), 0.0f);
  EXPECT_EQ(f.st.v_fb, 0.0f);
  EXPECT_EQ(f.st.v_leg, 0.0f);
  EXPECT_EQ(f.st.d_fb, 0.0f);
  EXPECT_EQ(f.st.d_leg, 0.0f);
}

TEST(clip_stage, drive_range_sets_the_feedback_resistance) {
  EXPECT_NEAR(clip_fixture(0, 50).s.R, 90620.0f, 0.5f);
  EXPECT_EQ(clip_fixture(100, 50).s.R, 551000.0f);
}

TEST(clip_stage, small_signals_see_the_linear_network_gain) {
  // Non-inverting gain 1 + Zf/Zg: Zf = R ∥ C2 ∥ the diodes' small-signal
  // resistance n·Vt/Is, Zg = 4.7 kΩ + C1, at the analog frequency the
  // trapezoidal rule maps 1 kHz to: k·tan(π·f/rate).
  for (auto [drive, heat] : {std::pair{50.0f, 50.0f}, {0.0f, 0.0f}, {100.0f, 100.0f}}) {
    clip_fixture f(drive, heat);
    const double w = f.s.k * std::tan(std::numbers::pi * 1000 / os_rate), r_diode = 0.045552 / 2.52e-9;
    std::complex<double> j(0, 1);
    auto zf = 1.0 / (1.0 / f.s.R + j * w * double(f.s.C2) + 1.0 / r_diode);
    auto zg = 4700.0 + 1.0 / (j * w * double(f.s.C1));
    double expected = std::abs(1.0 + zf / zg);

    const float amplitude = 1e-5f;
    std::vector<float> out;
    const int period = int(os_rate / 1000);
    for (int n = 0; n < 60 * period; ++n) {
      float y = f.step(amplitude * float(std::sin(2 * std::numbers::pi * 1000 * n / os_rate)));
      if (n >= 40 * period) out.push_back(y);
    }
    EXPECT_NEAR(amplitude_1khz(out) / amplitude / expected, 1.0, 5e-3) << drive << " " << heat;
  }
}

TEST(clip_stage, large_inputs_stop_exactly_at_the_asymmetric_rails) {
  clip_fixture f(100, 50);
  float high = -10, low = 10;
  for (int n = 0; n < 4000; ++n) {
    float y = f.step(8.0f * float(std::sin(2 * std::numbers::pi * 1000 * n / os_rate)));
    high = std::max(high, y);
    low = std::min(low, y);
  }
  EXPECT_EQ(high, 3.92f);
  EXPECT_EQ(low, -3.12f);
  // Inputs whose omega arguments pass 1e9 skip the function and stay finite.
  for (float x : {1e9f, -1e9f, 3e12f}) {
    float y = f.step(x);
    EXPECT_TRUE(y == 3.92f || y == -3.12f) << x << " gave " << y;
    EXPECT_TRUE(std::isfinite(f.st.v_fb) && std::isfinite(f.st.d_leg)) << x;
  }
}

TEST(clip_stage, moving_corners_add_conductance_only_while_they_move) {
  uint32_t modes = float_modes_enter();
  clip_fixture f(50, 50);
  f.set(50, 90);
  f.step(0.1f);
  EXPECT_NE(f.s.g1, f.s.k * f.s.C1);  // (C1 - C1_prev)·os_rate adds in
  for (int n = 0; n < 20000 && f.s.low_s != f.s.heat_corner_low; ++n) f.step(0.1f);
  ASSERT_EQ(f.s.low_s, f.s.heat_corner_low);
  ASSERT_EQ(f.s.high_s, f.s.heat_corner_high);
  f.step(0.1f);
  EXPECT_EQ(f.s.g1, f.s.k * f.s.C1);
  float_modes_leave(modes);
}

TEST(tone_stage, zero_in_gives_exact_zero) {
  tone_fixture f(50);
  for (int i = 0; i < 1000; ++i) ASSERT_EQ(f.step(0.0f), 0.0f);
  EXPECT_EQ(f.st.s_v, 0.0f);
  EXPECT_EQ(f.st.s_dw, 0.0f);
}

TEST(tone_stage, passes_ten_elevenths_of_dc_at_every_position) {
  uint32_t modes = float_modes_enter();
  for (float tone : {0.0f, 25.0f, 50.0f, 100.0f}) {
    tone_fixture f(tone);
    float y = 0;
    for (int i = 0; i < int(os_rate); ++i) y = f.step(1.0f);
    EXPECT_NEAR(y, 10.0f / 11.0f, 1e-3f) << tone;
  }
  float_modes_leave(modes);
}

TEST(tone_stage, taper_runs_from_dark_to_bright) {
  struct { float tone, fp; } cases[] = {{0, 379}, {50, 1330}, {100, 5068}};
  for (auto c : cases) EXPECT_NEAR(tone_fixture(c.tone).s.fp / c.fp, 1.0, 0.01) << c.tone;
}
