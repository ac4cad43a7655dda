// The whole engine: gains, silence, bypass, blocks, parameter changes.
#include "engine.h"

#include "alloc_hooks.h"
#include "float_modes.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <cstring>
#include <vector>

namespace {

struct running_engine {
  engine e;
  explicit running_engine(float rate, std::initializer_list<std::pair<int, float>> values = {}) {
    engine_init(&e);
    for (auto [index, value] : values) engine_set_parameter(&e, index, value);
    engine_set_sample_rate(&e, rate);
    engine_reset(&e);
  }
  std::vector<float> run(const std::vector<float> &in) {
    std::vector<float> out(in.size());
    uint32_t modes = float_modes_enter();
    engine_process(&e, in.data(), out.data(), uint32_t(in.size()));
    float_modes_leave(modes);
    return out;
  }
};

std::vector<float> sine(float rate, float hz, float amplitude, size_t n) {
  std::vector<float> x(n);
  for (size_t i = 0; i < n; ++i) x[i] = amplitude * float(std::sin(2 * std::numbers::pi * hz * double(i) / rate));
  return x;
}

}  // namespace

TEST(engine, sample_rate_sets_the_oversampling_ratio) {
  struct { float rate; int ratio; } cases[] = {{44100, 4}, {48000, 4}, {32000, 6}, {22050, 8},
                                               {96000, 2}, {176400, 1}, {192000, 1}, {8000, 16}};
  for (auto c : cases) EXPECT_EQ(running_engine(c.rate).e.oversampling_ratio, c.ratio) << c.rate;
}

TEST(engine, silence_in_gives_exact_silence_at_every_rate) {
  for (float rate : {8000.0f, 44100.0f, 48000.0f, 96000.0f, 192000.0f}) {
    running_engine r(rate, {{parameter_drive, 100}, {parameter_mix, 60}, {parameter_volume, 200}});
    for (float y : r.run(std::vector<float>(2048, 0.0f))) ASSERT_EQ(float_bits(y), 0u) << rate;
  }
}

TEST(engine, dry_path_gain_with_mix_at_zero) {
  running_engine r(48000, {{parameter_mix, 0}});
  std::vector<float> out = r.run(std::vector<float>(48000, 0.1f));
  // 4 · compensation 4.3128 · volume 0.25, plus the tiny negative wet share.
  for (size_t i = 0; i < out.size(); i += 997) EXPECT_NEAR(out[i] / 0.1f, 4.3129f, 2e-3f) << i;
}

TEST(engine, dc_decays_out_of_the_processed_path) {
  running_engine r(44100);
  std::vector<float> out = r.run(std::vector<float>(10 * 44100, 0.5f));
  EXPECT_LT(std::fabs(out.back()) / 0.5f, 3e-5f);  // the dry share of mix 0.99999 is left
}

TEST(engine, bypass_fades_to_the_untouched_input_and_then_equals_it) {
  running_engine r(44100, {{parameter_drive, 100}});
  std::vector<float> in = sine(44100, 220, 0.3f, 5 * 44100);
  r.run(std::vector<float>(in.begin(), in.begin() + 4410));
  engine_set_parameter(&r.e, parameter_bypass, 1);
  std::vector<float> out = r.run(in);
  EXPECT_GT(std::fabs(out[100] - in[100]), 1e-3f);
  // e^(-t/50 ms) reaches the flush-to-zero range after about 4.4 s.
  size_t tail = 4 * 44100 + 22050;
  EXPECT_EQ(r.e.active_smoother.value, 0.0f);
  EXPECT_EQ(std::memcmp(out.data() + tail, in.data() + tail, (in.size() - tail) * sizeof(float)), 0);
}

TEST(engine, zero_count_changes_nothing_and_in_place_matches_separate_buffers) {
  running_engine a(96000), b(96000);
  engine before = a.e;
  float dummy = 1;
  engine_process(&a.e, &dummy, &dummy, 0);
  EXPECT_EQ(std::memcmp(&a.e, &before, sizeof before), 0);

  std::vector<float> in = sine(96000, 3000, 0.8f, 4096);
  std::vector<float> separate = a.run(in);
  std::vector<float> buffer = in;
  uint32_t modes = float_modes_enter();
  engine_process(&b.e, buffer.data(), buffer.data(), uint32_t(buffer.size()));
  float_modes_leave(modes);
  EXPECT_EQ(std::memcmp(separate.data(), buffer.data(), buffer.size() * sizeof(float)), 0);
}

TEST(engine, parameter_changes_between_blocks_start_without_a_step) {
  // The change shows as a difference to an unchanged twin that grows from 0.
  struct { int index; float value; } cases[] = {{parameter_drive, 100}, {parameter_tone, 0},  {parameter_heat, 100},
                                                {parameter_mix, 20},    {parameter_volume, 200}, {parameter_bypass, 1}};
  std::vector<float> in = sine(44100, 330, 0.5f, 4410);
  for (auto c : cases) {
    running_engine changed(44100), same(44100);
    changed.run(in);
    same.run(in);
    engine_set_parameter(&changed.e, c.index, c.value);
    std::vector<float> a = changed.run(in), b = same.run(in);
    float largest = 0;
    for (size_t i = 0; i < a.size(); ++i) largest = std::max(largest, std::fabs(a[i] - b[i]));
    EXPECT_GT(largest, 1e-3f) << c.index;
    EXPECT_LT(std::fabs(a[0] - b[0]), 0.02f * largest) << c.index;
  }
}

TEST(engine, processing_allocates_nothing) {
  running_engine r(48000, {{parameter_drive, 80}});
  std::vector<float> in = sine(48000, 440, 0.5f, 512), out(512);
  alloc_scope scope;
  uint32_t modes = float_modes_enter();
  for (int block = 0; block < 20; ++block) {
    engine_set_parameter(&r.e, parameter_tone, float(block * 5));
    engine_process(&r.e, in.data(), out.data(), 512);
  }
  float_modes_leave(modes);
  EXPECT_EQ(scope.count(), 0);
}

TEST(engine, processing_before_a_rate_passes_the_input_through) {
  engine e;
  engine_init(&e);
  std::vector<float> in = sine(44100, 440, 0.5f, 256), out(256);
  engine_process(&e, in.data(), out.data(), 256);
  EXPECT_EQ(in, out);
}

TEST(engine, float_modes_give_back_only_their_two_bits) {
  const uint32_t original = _mm_getcsr();
  _mm_setcsr(original & ~float_modes_bits);
  uint32_t saved = float_modes_enter();
  EXPECT_EQ(_mm_getcsr() & float_modes_bits, float_modes_bits);
  volatile float tiny = 1e-30f;
  volatile float underflow = tiny * tiny;  // raises flags while the modes are on
  (void)underflow;
  uint32_t flags = _mm_getcsr() & 0x3Fu;
  float_modes_leave(saved);
  EXPECT_EQ(_mm_getcsr() & float_modes_bits, 0u);
  EXPECT_EQ(_mm_getcsr() & 0x3Fu, flags);  // the exception flags stay
  _mm_setcsr(original);
}
