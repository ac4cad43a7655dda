// The plug-in's descriptor, ports, activation and run step, driven through
// the built module as a host loads it.
#include <cmath>
#include <cstring>
#include <limits>

#include <gtest/gtest.h>

#include "engine/float_modes.h"
#include "fake_host.h"
#include "lv2_uris.h"
#include "module_loader.h"

namespace {

const float nan = std::numeric_limits<float>::quiet_NaN();
const float inf = std::numeric_limits<float>::infinity();

const LV2_Descriptor *descriptor() {
  const LV2_Descriptor *d = module_loader_descriptor();
  if (!d) ADD_FAILURE() << "module not loaded";
  return d;
}

// The engine driven directly with the same values, for bit-exact comparison.
std::vector<float> engine_output(const float values[parameter_count], float rate,
                                 const std::vector<float> &in) {
  engine e;
  engine_init(&e);
  engine_set_sample_rate(&e, rate);
  for (int i = 0; i < parameter_count; ++i) engine_set_parameter(&e, i, values[i]);
  engine_reset(&e);
  std::vector<float> out(in.size());
  uint32_t modes = float_modes_enter();
  engine_process(&e, in.data(), out.data(), uint32_t(in.size()));
  float_modes_leave(modes);
  return out;
}

void expect_engine_values(const fake_instance &x, std::initializer_list<float> values) {
  int i = 0;
  for (float v : values) {
    EXPECT_EQ(x.plugin()->engine.parameter_values[i], v) << parameter_table[i].key;
    ++i;
  }
}

TEST(lv2_plugin, descriptor_and_extension_data) {
  const LV2_Descriptor *d = descriptor();
  ASSERT_NE(d, nullptr);
  EXPECT_STREQ(d->URI, "https://quenvar.com/plugins/skarrow");
  EXPECT_EQ(module_loader_descriptor(), d);
  for (uint32_t index : {1u, 2u, 0xffffffffu}) EXPECT_EQ(module_loader_entry()(index), nullptr);
  EXPECT_EQ(d->deactivate, nullptr);
  EXPECT_NE(d->extension_data(LV2_STATE__interface), nullptr);
  EXPECT_EQ(d->extension_data("http://lv2plug.in/ns/ext/worker#interface"), nullptr);
  EXPECT_EQ(d->extension_data(""), nullptr);
}

// Each control port value as the engine receives it after one run.
TEST(lv2_plugin, port_values_are_clamped_and_converted) {
  struct row {
    int index;
    float port;
    float engine;
  } rows[] = {
      {parameter_drive, 150, 100},   {parameter_drive, 37.5f, 37.5f},
      {parameter_tone, -1, 0},       {parameter_heat, inf, 100},
      {parameter_mix, -inf, 0},      {parameter_volume, -3, 0},
      {parameter_volume, 250, 200},  {parameter_volume, 199.5f, 199.5f},
      {parameter_bypass, 1, 0},      {parameter_bypass, 0.5f, 0},
      {parameter_bypass, 0, 1},      {parameter_bypass, -1, 1},
      {parameter_bypass, nan, 1},    {parameter_bypass, 1e-30f, 0},
  };
  fake_host host;
  for (const row &r : rows) {
    fake_instance x(descriptor(), host);
    x.activate();
    x.controls[r.index] = r.port;
    x.run(16);
    EXPECT_EQ(x.plugin()->engine.parameter_values[r.index], r.engine)
        << parameter_table[r.index].key << " port " << r.port;
    // Activation converts the same way.
    x.activate();
    EXPECT_EQ(x.plugin()->engine.parameter_values[r.index], r.engine);
  }
}

// The engine hears of a port only when its value changes: a marker written
// into the engine's record survives a block whose ports did not move.
TEST(lv2_plugin, only_changed_values_reach_the_engine) {
  fake_host host;
  fake_instance x(descriptor(), host);
  x.activate();
  x.controls[parameter_drive] = 150;
  x.run(16);
  EXPECT_EQ(x.plugin()->engine.parameter_values[parameter_drive], 100);
  x.plugin()->engine.parameter_values[parameter_drive] = -7;
  x.run(16);  // still 150: nothing to hand over
  EXPECT_EQ(x.plugin()->engine.parameter_values[parameter_drive], -7);
  x.controls[parameter_drive] = 120;  // clamps to the same 100: no change either
  x.run(16);
  EXPECT_EQ(x.plugin()->engine.parameter_values[parameter_drive], -7);
  x.controls[parameter_drive] = 99;
  x.run(16);
  EXPECT_EQ(x.plugin()->engine.parameter_values[parameter_drive], 99);
}

// A port that is not a number holds the previous value and stays out of the
// engine; the next real value goes through.
TEST(lv2_plugin, nan_on_a_control_port_holds_the_previous_value) {
  fake_host host;
  for (int i = 0; i < parameter_bypass; ++i) {
    fake_instance x(descriptor(), host);
    x.controls[i] = nan;
    x.activate();
    EXPECT_EQ(x.plugin()->engine.parameter_values[i], float(parameter_table[i].default_value));
    x.controls[i] = 20;
    x.run(8);
    x.controls[i] = nan;
    x.run(8);
    EXPECT_EQ(x.plugin()->engine.parameter_values[i], 20) << parameter_table[i].key;
    EXPECT_EQ(x.plugin()->port_values[i], 20);
    for (float v : x.out) EXPECT_TRUE(std::isfinite(v));
    x.controls[i] = 30;
    x.run(8);
    EXPECT_EQ(x.plugin()->engine.parameter_values[i], 30);
  }
}

TEST(lv2_plugin, unconnected_ports_take_their_defaults) {
  fake_host host;
  fake_instance x(descriptor(), host);
  for (int i = 0; i < parameter_count; ++i) x.controls[i] = 3;
  for (int i = 0; i < parameter_count; ++i) x.connect_control(i, false);
  x.activate();
  expect_engine_values(x, {50, 50, 50, 100, 100, 0});
  x.run(16);
  expect_engine_values(x, {50, 50, 50, 100, 100, 0});

  // Heat never connected: it stays at its default while the others move.
  for (int i = 0; i < parameter_count; ++i) x.connect_control(i, i != parameter_heat);
  x.run(16);
  expect_engine_values(x, {3, 3, 50, 3, 3, 0});
  // A port connected to null is disconnected again.
  x.connect_control(parameter_drive, false);
  x.controls[parameter_drive] = 60;
  x.run(16);
  EXPECT_EQ(x.plugin()->engine.parameter_values[parameter_drive], 3);
}

TEST(lv2_plugin, connect_port_beyond_the_last_changes_nothing) {
  fake_host host;
  fake_instance x(descriptor(), host);
  lv2_plugin before;
  std::memcpy(static_cast<void *>(&before), x.plugin(), sizeof before);
  float other = 5;
  x.descriptor->connect_port(x.handle, 8, &other);
  x.descriptor->connect_port(x.handle, 0xffffffffu, &other);
  EXPECT_EQ(std::memcmp(static_cast<void *>(&before), x.plugin(), sizeof before), 0);
}

// Output is the engine's own, bit for bit, from the first sample: activation
// starts at the port values with no fade (bypassed passes the input through).
TEST(lv2_plugin, audio_matches_the_engine_from_activation) {
  struct row {
    float controls[parameter_count];  // port sense
    double rate;
  } rows[] = {
      {{50, 50, 50, 100, 100, 1}, 48000},
      {{90, 10, 80, 60, 150, 1}, 44100},
      {{0, 100, 0, 0, 0, 1}, 96000},
      {{70, 30, 20, 100, 120, 0}, 48000},
  };
  fake_host host;
  for (const row &r : rows) {
    fake_instance x(descriptor(), host, r.rate, true, true, true, 512);
    for (int i = 0; i < parameter_count; ++i) x.controls[i] = r.controls[i];
    x.activate();
    x.run(uint32_t(x.in.size()));
    float values[parameter_count];
    for (int i = 0; i < parameter_count; ++i) values[i] = r.controls[i];
    values[parameter_bypass] = r.controls[parameter_bypass] > 0 ? 0 : 1;
    std::vector<float> expected = engine_output(values, float(r.rate), x.in);
    EXPECT_EQ(x.out, expected) << "rate " << r.rate;
    if (values[parameter_bypass] == 1) {
      EXPECT_EQ(x.out, x.in);
    }
  }
}

TEST(lv2_plugin, one_buffer_for_input_and_output) {
  fake_host host;
  fake_instance x(descriptor(), host, 48000, true, true, true, 256);
  x.activate();
  std::vector<float> buffer = x.in;
  x.descriptor->connect_port(x.handle, lv2_port_audio_in, buffer.data());
  x.descriptor->connect_port(x.handle, lv2_port_audio_out, buffer.data());
  x.run(uint32_t(buffer.size()));
  float defaults[parameter_count] = {50, 50, 50, 100, 100, 0};
  EXPECT_EQ(buffer, engine_output(defaults, 48000, x.in));
}

// Flush-to-zero and denormals-are-zero hold for the block (a bypassed
// instance passes a denormal input through the arithmetic, which then reads
// it as 0), and the host gets its own control word back.
TEST(lv2_plugin, float_modes_are_set_for_the_block_and_given_back) {
  const uint32_t ftz_daz = 0x8040u;
  fake_host host;
  fake_instance x(descriptor(), host);
  x.controls[parameter_bypass] = 0;
  x.activate();
  std::fill(x.in.begin(), x.in.end(), 1e-40f);
  uint32_t original = _mm_getcsr();
  for (uint32_t host_modes : {original & ~ftz_daz, original | ftz_daz, (original & ~ftz_daz) | 0x8000u}) {
    _mm_setcsr(host_modes);
    x.run(uint32_t(x.in.size()));
    uint32_t after = _mm_getcsr();
    _mm_setcsr(original);
    // The exception flags (bits 0 to 5) may record what the block raised.
    EXPECT_EQ(after & ~0x3fu, host_modes & ~0x3fu);
    for (float v : x.out) EXPECT_EQ(v, 0.0f);
  }
}

TEST(lv2_plugin, block_of_zero_samples_touches_no_sample) {
  fake_host host;
  fake_instance x(descriptor(), host);
  x.activate();
  std::vector<float> before = x.out;
  std::fill(x.out.begin(), x.out.end(), 42.0f);
  x.controls[parameter_mix] = 10;
  x.run(0);
  for (float v : x.out) EXPECT_EQ(v, 42.0f);
  // Control values are still taken at a block boundary.
  EXPECT_EQ(x.plugin()->engine.parameter_values[parameter_mix], 10);
}

// A block that finds the lock held records the ports and hands them over in
// the next block that gets it.
TEST(lv2_plugin, lock_held_elsewhere_defers_the_hand_over) {
  fake_host host;
  fake_instance x(descriptor(), host);
  x.activate();
  lv2_plugin *p = x.plugin();
  // What a state call does while holding the lock.
  p->values_lock.store(1);
  p->synced = 0;
  x.controls[parameter_tone] = 80;
  x.controls[parameter_bypass] = 0;
  x.run(16);
  expect_engine_values(x, {50, 50, 50, 100, 100, 0});
  EXPECT_EQ(p->port_values[parameter_tone], 80);
  EXPECT_EQ(p->values_lock.load(), 1);  // never released by a block that did not take it
  p->values_lock.store(0);
  x.run(16);
  expect_engine_values(x, {50, 80, 50, 100, 100, 1});
  EXPECT_EQ(p->synced, 1);
  for (int i = 0; i < parameter_count; ++i) EXPECT_EQ(p->applied_values[i], p->port_values[i]);
}

TEST(lv2_plugin, missing_urid_map_still_processes_audio) {
  fake_host host;
  fake_instance x(descriptor(), host, 48000, false, true, true, 256);
  ASSERT_NE(x.handle, nullptr);
  EXPECT_EQ(host.log_text, "Missing feature <" LV2_URID__map ">\n");
  ASSERT_EQ(host.log_types.size(), 1u);
  EXPECT_EQ(host.log_types[0], 0u);  // no map: the error type cannot be mapped
  x.controls[parameter_drive] = 80;
  x.activate();
  x.run(uint32_t(x.in.size()));
  float values[parameter_count] = {80, 50, 50, 100, 100, 0};
  EXPECT_EQ(x.out, engine_output(values, 48000, x.in));
}

TEST(lv2_plugin, messages_go_to_standard_error_without_a_log) {
  fake_host host;
  stderr_capture capture;
  fake_instance x(descriptor(), host, 48000, false, false);
  std::string text = capture.end();
  ASSERT_NE(x.handle, nullptr);
  EXPECT_EQ(text, "Missing feature <" LV2_URID__map ">\n");
  EXPECT_TRUE(host.log_text.empty());
}

TEST(lv2_plugin, a_null_feature_list_counts_as_empty) {
  const LV2_Descriptor *d = descriptor();
  stderr_capture capture;
  LV2_Handle h = d->instantiate(d, 44100, "/", nullptr);
  EXPECT_EQ(capture.end(), "Missing feature <" LV2_URID__map ">\n");
  ASSERT_NE(h, nullptr);
  d->cleanup(h);
}

TEST(lv2_plugin, refuses_a_sample_rate_it_cannot_run_at) {
  fake_host host;
  for (double rate : {0.0, -48000.0, double(nan), double(inf), 1e300}) {
    std::vector<const LV2_Feature *> features = host.features(true, true);
    EXPECT_EQ(descriptor()->instantiate(descriptor(), rate, "/", features.data()), nullptr) << rate;
  }
  // The lowest and highest rates hosts use run.
  for (double rate : {1.0, 8000.0, 768000.0}) {
    fake_instance x(descriptor(), host, rate);
    ASSERT_NE(x.handle, nullptr) << rate;
    x.activate();
    x.run(uint32_t(x.in.size()));
    for (float v : x.out) EXPECT_TRUE(std::isfinite(v)) << rate;
  }
}

TEST(lv2_plugin, a_host_log_gets_error_messages_with_the_error_type) {
  fake_host host;
  fake_instance x(descriptor(), host, 48000, true, true);
  EXPECT_TRUE(host.log_text.empty());
  x.plugin()->urid_map = nullptr;  // as if the host had offered none
  EXPECT_EQ(x.save(host), LV2_STATE_ERR_UNKNOWN);
  ASSERT_EQ(host.log_types.size(), 1u);
  EXPECT_EQ(host.log_types[0], host.urid(LV2_LOG__Error));
}

}  // namespace
