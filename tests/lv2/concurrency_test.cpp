// A state thread saving and restoring in a loop while the audio thread runs:
// no torn values in any saved blob, and afterwards the engine holds exactly
// the last port values (connected ports) and the last restored values (the
// others).
#include <atomic>
#include <cstdlib>
#include <thread>

#include <gtest/gtest.h>

#include "fake_host.h"
#include "lv2_uris.h"
#include "state/state_blob.h"

namespace {

constexpr int rounds = 400;

// Restored values of round r; ports carry other values, so a saved value
// shows where it came from.
void restored_values(int r, float out[parameter_count]) {
  out[parameter_drive] = float(r % 90);
  out[parameter_tone] = float(r % 70);
  out[parameter_heat] = float(r % 50);
  out[parameter_mix] = float(r % 100);
  out[parameter_volume] = float(r % 200);
  out[parameter_bypass] = float(r % 2);
}

TEST(lv2_concurrency, state_thread_against_audio_thread) {
  fake_host audio_host;
  fake_instance x(lv2_descriptor(0), audio_host, 48000, true, true, true, 32);
  // Only drive, tone and heat are connected; the audio thread moves them.
  for (int i = parameter_mix; i < parameter_count; ++i) x.connect_control(i, false);
  x.activate();
  fake_host state_host;  // the state thread's own store, with the same URIDs
  state_host.uris = audio_host.uris;
  state_host.stored_key = state_host.urid(SKARROW_LV2_STATE_KEY);

  std::atomic<bool> stop{false};
  std::atomic<int> blocks{0};
  float last_ports[3] = {};
  std::thread audio([&] {
    for (int n = 0; !stop.load() || n < 200; ++n) {
      for (int i = 0; i < 3; ++i) x.controls[i] = float(91 + (n + i) % 9);  // 91..99
      x.run(32);
      blocks.fetch_add(1);
      for (int i = 0; i < 3; ++i) last_ports[i] = x.controls[i];
    }
  });

  float last_restored[parameter_count] = {};
  int saved_ok = 0;
  for (int r = 0; r < rounds; ++r) {
    float values[parameter_count];
    restored_values(r, values);
    size_t size = 0;
    uint8_t *blob = state_blob_save(values, 48000, "lv2", &size);
    ASSERT_NE(blob, nullptr);
    state_host.stored_value.assign(blob, blob + size);
    std::free(blob);
    ASSERT_EQ(x.restore(state_host), LV2_STATE_SUCCESS);
    for (int i = 0; i < parameter_count; ++i) last_restored[i] = values[i];

    fake_host saver;
    saver.uris = audio_host.uris;
    ASSERT_EQ(x.save(saver), LV2_STATE_SUCCESS);
    float saved[parameter_count];
    ASSERT_EQ(state_blob_load(saver.stored_value.data(), saver.stored_value.size(), saved), 0);
    // Each saved value is a default, a port value or a restored value: never torn.
    for (int i = 0; i < parameter_count; ++i) {
      float v = saved[i];
      bool is_port = i < 3 && v >= 91 && v <= 99;
      bool is_default = v == float(parameter_table[i].default_value);
      bool is_restored = v == float(int(v)) && v >= 0 && v <= 199;
      EXPECT_TRUE(is_port || is_default || is_restored) << parameter_table[i].key << " " << v;
    }
    ++saved_ok;
  }
  stop.store(true);
  audio.join();
  EXPECT_EQ(saved_ok, rounds);
  EXPECT_GE(blocks.load(), 200);

  // One more block with the lock free hands over whatever is still pending.
  x.run(32);
  const float *engine_values = x.plugin()->engine.parameter_values;
  for (int i = 0; i < 3; ++i) EXPECT_EQ(engine_values[i], last_ports[i]) << parameter_table[i].key;
  for (int i = 3; i < parameter_count; ++i)
    EXPECT_EQ(engine_values[i], last_restored[i]) << parameter_table[i].key;
}

}  // namespace
