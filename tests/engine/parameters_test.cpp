// The parameter table and the curves from plain values to targets.
#include "engine.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

namespace {

engine fresh_engine() {
  engine e;
  engine_init(&e);
  return e;
}

}  // namespace

TEST(parameters, ids_of_the_first_five_are_the_31_bit_sdbm_hash_of_the_key) {
  for (int i = 0; i < parameter_bypass; ++i) {
    uint32_t hash = 0;
    for (const char *c = parameter_table[i].key; *c; ++c) hash = uint8_t(*c) + (hash << 6) + (hash << 16) - hash;
    EXPECT_EQ(hash & 0x7FFFFFFFu, parameter_table[i].vst3_id) << parameter_table[i].key;
  }
  EXPECT_EQ(parameter_table[parameter_bypass].vst3_id, 150732888u);
  for (int i = 0; i < parameter_count; ++i) {
    const parameter_info &p = parameter_table[i];
    EXPECT_EQ(p.index, i);
    EXPECT_DOUBLE_EQ(p.default_normalized, (p.default_value - p.min) / (p.max - p.min));
  }
}

TEST(parameters, drive_curve) {
  struct { float p, amount; } cases[] = {{0, 0.07924f}, {25, 0.16575f}, {50, 0.31951f}, {75, 0.59289f}, {90, 0.85072f}};
  for (auto c : cases) EXPECT_NEAR(parameter_drive_amount(c.p), c.amount, 5e-5f) << c.p;
  EXPECT_EQ(parameter_drive_amount(97), 1.0f);
  EXPECT_EQ(parameter_drive_amount(100), 1.0f);
}

TEST(parameters, tone_curve) {
  struct { float p, amount; } cases[] = {{12.5f, 0.12948f}, {25, 0.23961f}, {50, 0.89321f}, {75, 0.96237f}};
  for (auto c : cases) EXPECT_NEAR(parameter_tone_amount(c.p), c.amount, 5e-5f) << c.p;
  EXPECT_EQ(parameter_tone_amount(0), 0.001f);
  EXPECT_EQ(parameter_tone_amount(100), 0.999f);
}

TEST(parameters, heat_curve) {
  struct { float p, low, high, gain; } cases[] = {
      {0, 2868.30f, 22547.49f, 1.393774f}, {25, 1437.55f, 11300.52f, 1.167065f}, {50, 720.484f, 5663.676f, 1.0f},
      {75, 361.097f, 2838.562f, 0.892580f}, {100, 180.977f, 1422.650f, 0.844804f}};
  for (auto c : cases) {
    float low, high, gain;
    parameter_heat_targets(c.p, &low, &high, &gain);
    EXPECT_NEAR(low / c.low, 1, 2e-5) << c.p;
    EXPECT_NEAR(high / c.high, 1, 2e-5) << c.p;
    EXPECT_NEAR(gain, c.gain, 2e-6f) << c.p;
  }
}

TEST(parameters, mix_curve_is_unclamped) {
  struct { float p, amount, tolerance; } cases[] = {
      {0, -1.25e-5f, 1e-6f}, {25, 0.03428f, 5e-5f}, {50, 0.12495f, 5e-5f}, {75, 0.36481f, 5e-5f}, {100, 0.99999f, 5e-5f}};
  for (auto c : cases) EXPECT_NEAR(parameter_mix_amount(c.p), c.amount, c.tolerance) << c.p;
  EXPECT_LT(parameter_mix_amount(0), 0.0f);
}

TEST(parameters, volume_curve_in_decibels) {
  struct { float p, db; } cases[] = {{10, -33.65f}, {50, -24.04f}, {150, -0.04f}, {200, 11.96f}, {5, -36.04f}, {1, -55.24f}};
  for (auto c : cases) EXPECT_NEAR(20 * std::log10(parameter_volume_gain(c.p)), c.db, 0.02) << c.p;
  EXPECT_EQ(parameter_volume_gain(100), 0.25f);
  EXPECT_EQ(parameter_volume_gain(0.09f), 0.0f);
  EXPECT_EQ(parameter_volume_gain(0), 0.0f);
  EXPECT_GT(parameter_volume_gain(0.1f), 0.0f);
  EXPECT_NEAR(parameter_volume_gain(0.1f) / 2.7e-14f, 1, 0.1);
  // The two branches meet at 10 %.
  EXPECT_NEAR(parameter_volume_gain(9.9999f) / parameter_volume_gain(10.0001f), 1, 1e-3);
}

TEST(parameters, bypass_switches_at_one_half) {
  EXPECT_EQ(parameter_active_amount(0.5f), 0.0f);
  EXPECT_EQ(parameter_active_amount(0.49f), 1.0f);
  EXPECT_EQ(parameter_active_amount(1), 0.0f);
}

TEST(parameters, fresh_engine_holds_defaults_and_their_targets) {
  engine e = fresh_engine();
  for (int i = 0; i < parameter_count; ++i) EXPECT_EQ(e.parameter_values[i], float(parameter_table[i].default_value));
  EXPECT_EQ(e.clip_stage.drive_amount, parameter_drive_amount(50));
  EXPECT_EQ(e.tone_stage.tone_amount, parameter_tone_amount(50));
  EXPECT_EQ(e.mix_smoother.target, parameter_mix_amount(100));
  EXPECT_EQ(e.volume_smoother.target, 0.25f);
  EXPECT_EQ(e.active_smoother.target, 1.0f);
  EXPECT_EQ(e.sample_rate, 0.0f);
}

TEST(parameters, set_parameter_ignores_bad_indices_and_nan_and_clamps_the_rest) {
  engine e = fresh_engine();
  engine before = e;
  engine_set_parameter(&e, 6, 10);
  engine_set_parameter(&e, -1, 10);
  engine_set_parameter(&e, parameter_tone, std::nanf(""));
  engine_set_parameter(&e, parameter_drive, 50);  // the same value again
  EXPECT_EQ(std::memcmp(&e, &before, sizeof e), 0);

  struct { int index; float value, stored; } cases[] = {
      {parameter_tone, 250, 100}, {parameter_volume, -3, 0}, {parameter_volume, INFINITY, 200},
      {parameter_drive, -INFINITY, 0}, {parameter_bypass, 7, 1}};
  for (auto c : cases) {
    engine_set_parameter(&e, c.index, c.value);
    EXPECT_EQ(e.parameter_values[c.index], c.stored) << c.index << " " << c.value;
  }
  EXPECT_EQ(e.tone_stage.tone_amount, 0.999f);
  EXPECT_EQ(e.volume_smoother.target, parameter_volume_gain(200));
  EXPECT_EQ(e.active_smoother.target, 0.0f);
}
