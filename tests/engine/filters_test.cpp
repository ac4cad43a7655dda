// Smoothers, DC blockers and the resampler against their closed forms.
#include "clip_stage.h"
#include "dc_blocker.h"
#include "float_modes.h"
#include "parameters.h"
#include "resampler.h"
#include "smoother.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

TEST(smoother, coefficient_gives_the_time_constant_at_any_rate) {
  smoother_settings s;
  smoother_settings_init(&s, 0.15915494f * fast_rcp(0.005f), 0.001f);
  EXPECT_NEAR(s.cutoff, 31.8309746f, 1e-4f);
  smoother_settings_set_rate(&s, 176400);
  EXPECT_NEAR(s.coefficient, 0.998867f, 2e-6f);
  smoother_settings_init(&s, 0.15915494f * fast_rcp(0.05f), 0);
  EXPECT_NEAR(s.cutoff, 3.18309712f, 1e-5f);
  smoother_settings_set_rate(&s, 44100);
  EXPECT_NEAR(s.coefficient, 0.999547f, 2e-6f);
}

TEST(smoother, thresholds_snap_absolutely_or_relative_to_the_target) {
  smoother_settings s;
  smoother_settings_init(&s, 31.8309746f, 0.001f);
  smoother_settings_set_rate(&s, 176400);
  // A step leaves (value - target)·coefficient of the distance.
  struct { float value, target; bool relative, snaps; } cases[] = {
      {0.5f + 0.00099f, 0.5f, false, true},   {0.5f + 0.0011f, 0.5f, false, false},
      {1000.99f, 1000.0f, true, true},        {1001.1f, 1000.0f, true, false},
      {0.5f + 0.00099f, 0.5f, true, false},   // relative: 0.1 % of 0.5 is 0.0005
  };
  for (auto c : cases) {
    float v = c.relative ? smoother_step_relative(c.value, c.target, &s) : smoother_step_absolute(c.value, c.target, &s);
    EXPECT_EQ(v == c.target, c.snaps) << c.value << " -> " << c.target;
  }
  EXPECT_TRUE(std::isnan(smoother_step_absolute(std::nanf(""), 0.5f, &s)));
}

TEST(smoother, drive_step_of_one_unit_snaps_after_about_ten_and_a_half_ms_at_any_rate) {
  for (float rate : {88200.0f, 176400.0f, 192000.0f}) {
    clip_stage s{};
    clip_stage_init(&s);
    clip_stage_set_rate(&s, rate);
    float low, high, heat_gain;
    parameter_heat_targets(50, &low, &high, &heat_gain);
    clip_stage_set_targets(&s, parameter_drive_amount(50), low, high);
    clip_state st;
    clip_stage_reset(&s, &st);
    clip_stage_set_targets(&s, parameter_drive_amount(51), low, high);
    int steps = 0;
    while (s.drive_s != s.drive_amount && steps < 100000) {
      float x = 0;
      clip_stage_process(&s, &st, &x, 1);
      ++steps;
    }
    EXPECT_NEAR(steps / rate, 0.005 * std::log(8.19), 0.0002) << rate;
  }
}

TEST(dc_blocker, coefficients_step_response_and_nyquist_gain) {
  dc_blocker d;
  dc_blocker_design(&d, 7.09f, 44100);
  EXPECT_NEAR(d.b0, 0.99950f, 2e-5f);
  EXPECT_NEAR(d.a1, -0.99899f, 4e-5f);
  EXPECT_EQ(d.b1, -d.b0);
  EXPECT_NEAR(1 - d.a1, 2 * d.b0, 1e-6f);  // unity gain at half the rate

  uint32_t modes = float_modes_enter();
  float s = 0, previous = 2;
  for (int i = 0; i < 44100; ++i) {
    float y = dc_blocker_process(&d, &s, 1.0f);
    if (i == 0) {
      EXPECT_EQ(y, d.b0);
    }
    EXPECT_GE(y, 0.0f);
    EXPECT_LE(y, previous);
    previous = y;
  }
  float_modes_leave(modes);
  EXPECT_LT(previous, 1e-3f);
}

TEST(resampler, ratio_for_rate) {
  struct { float rate; int ratio; } cases[] = {{44100, 4}, {48000, 4}, {32000, 6}, {22050, 8}, {58800, 3},
                                               {88200, 2}, {96000, 2}, {176400, 1}, {192000, 1}, {384000, 1},
                                               {11025, 16}, {8000, 16}, {1000, 16}};
  for (auto c : cases) EXPECT_EQ(resampler_ratio_for_rate(c.rate), c.ratio) << c.rate;
}

namespace {

struct resampler_pair {
  resampler up, down;
  resampler_state up_state, down_state;
  int R;
  explicit resampler_pair(int ratio) : R(ratio) {
    float edge = resampler_edge(ratio);
    resampler_design(&up, ratio, edge);
    resampler_design(&down, -ratio, edge);
    resampler_reset(&up_state);
    resampler_reset(&down_state);
  }
  float round_trip(float x) {
    float buffer[resampler_max_ratio], y;
    resampler_upsample(&up, &up_state, &x, 1, buffer);
    resampler_downsample(&down, &down_state, buffer, 1, &y);
    return y;
  }
};

// Magnitude of the component at bin frequency f (rectangular window over a
// whole number of periods of every component).
double tone_magnitude(const std::vector<float> &x, double f, double rate) {
  double re = 0, im = 0;
  for (size_t n = 0; n < x.size(); ++n) {
    re += x[n] * std::cos(2 * std::numbers::pi * f * n / rate);
    im -= x[n] * std::sin(2 * std::numbers::pi * f * n / rate);
  }
  return 2 * std::hypot(re, im) / x.size();
}

}  // namespace

TEST(resampler, unity_gain_at_dc_for_every_ratio) {
  uint32_t modes = float_modes_enter();
  for (int R = 2; R <= 16; ++R) {
    resampler_pair pair(R);
    float y = 0;
    for (int i = 0; i < 4000; ++i) y = pair.round_trip(1.0f);
    EXPECT_NEAR(y, 1.0f, 1e-4f) << R;
  }
  float_modes_leave(modes);
}

TEST(resampler, passes_1khz_and_rejects_its_images_at_4x_44100) {
  uint32_t modes = float_modes_enter();
  const double rate = 44100, os_rate = 4 * rate;
  resampler_pair pair(4);
  const int settle = 4410, length = 4410;  // 0.1 s: whole periods at 10 Hz spacing
  std::vector<float> oversampled, round_trip;
  for (int n = 0; n < settle + length; ++n) {
    float x = float(std::sin(2 * std::numbers::pi * 1000 * n / rate));
    float buffer[resampler_max_ratio], y;
    resampler_upsample(&pair.up, &pair.up_state, &x, 1, buffer);
    if (n >= settle) oversampled.insert(oversampled.end(), buffer, buffer + 4);
    resampler_downsample(&pair.down, &pair.down_state, buffer, 1, &y);  // filters in place
    if (n >= settle) round_trip.push_back(y);
  }
  float_modes_leave(modes);
  double through = tone_magnitude(round_trip, 1000, rate);
  EXPECT_NEAR(20 * std::log10(through), 0.0, 0.02);
  double wanted = tone_magnitude(oversampled, 1000, os_rate);
  for (double image : {43100.0, 45100.0}) {
    EXPECT_LT(20 * std::log10(tone_magnitude(oversampled, image, os_rate) / wanted), -100.0) << image;
  }
}

TEST(resampler, decimation_keeps_the_filtered_first_sample_of_each_group) {
  resampler_pair pair(4);
  // Two groups: an impulse first in the group, then the same impulse second.
  float groups[8] = {1, 0, 0, 0, 0, 1, 0, 0}, out[2];
  float gain = 1;
  for (int i = 0; i < resampler_sections; ++i) gain *= pair.down.b0[i];  // the cascade's first response
  resampler_downsample(&pair.down, &pair.down_state, groups, 2, out);
  EXPECT_EQ(out[0], gain);
  resampler_reset(&pair.down_state);
  float late[8] = {0, 1, 0, 0, 0, 0, 0, 0};
  resampler_downsample(&pair.down, &pair.down_state, late, 2, out);
  EXPECT_EQ(out[0], 0.0f);   // the 1 came after the kept sample
  EXPECT_NE(out[1], 0.0f);   // and shows in the next group
}
