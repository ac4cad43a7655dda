// Saving and restoring an instance's parameters through the state interface
// of the built module.
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>

#include <gtest/gtest.h>
#include <lv2/atom/atom.h>

#include "fake_host.h"
#include "lv2_uris.h"
#include "module_loader.h"
#include "state/state_archive.h"
#include "state/state_blob.h"

namespace {

const float nan = std::numeric_limits<float>::quiet_NaN();

const LV2_Descriptor *descriptor() {
  const LV2_Descriptor *d = module_loader_descriptor();
  if (!d) ADD_FAILURE() << "module not loaded";
  return d;
}

std::vector<uint8_t> blob_of(const float values[parameter_count], const char *format = "lv2") {
  size_t size = 0;
  uint8_t *blob = state_blob_save(values, 48000, format, &size);
  std::vector<uint8_t> bytes(blob, blob + size);
  std::free(blob);
  return bytes;
}

// A blob built entry by entry, for the ones the writer never makes.
struct odd_blob {
  std::string id = "quenvar-skarrow";
  float values[parameter_count] = {10, 20, 30, 40, 50, 1};
  int wide_index = -1;  // this parameter's entry is 8 bytes long
  int missing_index = -1;

  std::vector<uint8_t> bytes() const {
    state_archive a;
    if (state_archive_init(&a) != 0) return {};
    uint8_t wide[8] = {};
    byte_map_insert(a.info, "id", 2, id.data(), id.size());
    for (int i = 0; i < parameter_count; ++i) {
      if (i == missing_index) continue;
      const char *key = state_parameter_keys[i];
      if (i == wide_index) {
        std::memcpy(wide, &values[i], 4);
        byte_map_insert(a.parameters, key, std::strlen(key), wide, 8);
      } else {
        byte_map_insert(a.parameters, key, std::strlen(key), &values[i], 4);
      }
    }
    size_t size = 0;
    uint8_t *blob = state_archive_write(&a, &size);
    state_archive_free(&a);
    std::vector<uint8_t> out(blob, blob + size);
    std::free(blob);
    return out;
  }
};

void expect_engine_values(const fake_instance &x, const float (&values)[parameter_count]) {
  for (int i = 0; i < parameter_count; ++i)
    EXPECT_EQ(x.plugin()->engine.parameter_values[i], values[i]) << parameter_table[i].key;
}

TEST(lv2_state, save_stores_the_engine_values_as_one_chunk) {
  fake_host host;
  fake_instance x(descriptor(), host, 44100);
  const float ports[parameter_count] = {12, 34, 56, 78, 150, 0};
  for (int i = 0; i < parameter_count; ++i) x.controls[i] = ports[i];
  x.activate();
  x.run(16);
  ASSERT_EQ(x.save(host), LV2_STATE_SUCCESS);
  EXPECT_EQ(host.stored_key, host.urid(SKARROW_LV2_STATE_KEY));
  EXPECT_EQ(host.stored_key, host.urid("https://quenvar.com/plugins/skarrow#state_data"));
  EXPECT_EQ(host.stored_type, host.urid(LV2_ATOM__Chunk));
  EXPECT_EQ(host.stored_flags, uint32_t(LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE));

  // Byte for byte what the state writer makes of the engine's values.
  const float engine_values[parameter_count] = {12, 34, 56, 78, 150, 1};
  size_t size = 0;
  uint8_t *expected = state_blob_save(engine_values, 44100, "lv2", &size);
  ASSERT_NE(expected, nullptr);
  EXPECT_EQ(host.stored_value, std::vector<uint8_t>(expected, expected + size));
  std::free(expected);
}

TEST(lv2_state, restore_hands_the_values_over_at_the_next_block) {
  const float saved[parameter_count] = {12, 34, 56, 78, 150, 1};
  fake_host host;
  fake_instance a(descriptor(), host);
  for (int i = 0; i < parameter_count; ++i) a.controls[i] = saved[i];
  a.controls[parameter_bypass] = 0;
  a.activate();
  ASSERT_EQ(a.save(host), LV2_STATE_SUCCESS);

  // Into a second instance whose ports are not connected: nothing changes
  // until its next block.
  fake_instance b(descriptor(), host);
  for (int i = 0; i < parameter_count; ++i) b.connect_control(i, false);
  b.activate();
  ASSERT_EQ(b.restore(host), LV2_STATE_SUCCESS);
  expect_engine_values(b, {50, 50, 50, 100, 100, 0});
  b.run(16);
  expect_engine_values(b, saved);
  EXPECT_EQ(b.plugin()->restore_pending, 0);
  b.run(16);
  expect_engine_values(b, saved);
}

// After a restore the connected ports that differ win, in the same block.
TEST(lv2_state, port_values_win_over_a_restore) {
  const float restored[parameter_count] = {80, 20, 70, 30, 120, 1};
  fake_host host;
  host.stored_key = host.urid(SKARROW_LV2_STATE_KEY);
  host.stored_value = blob_of(restored);
  fake_instance x(descriptor(), host);
  x.connect_control(parameter_heat, false);
  x.connect_control(parameter_volume, false);
  x.activate();
  x.controls[parameter_tone] = 20;  // equal to the restored value
  ASSERT_EQ(x.restore(host), LV2_STATE_SUCCESS);
  x.run(16);
  // drive, mix and enabled ports differ and win; heat and volume are not
  // connected and keep the restored values.
  expect_engine_values(x, {50, 20, 70, 100, 120, 0});
  for (int i = 0; i < parameter_count; ++i)
    EXPECT_EQ(x.plugin()->applied_values[i], x.plugin()->port_values[i]);
}

// A save between a restore and the next block stores what the engine holds,
// which is not yet the restored state.
TEST(lv2_state, save_before_the_next_block_stores_the_engine_values) {
  const float restored[parameter_count] = {80, 20, 70, 30, 120, 1};
  fake_host host;
  host.stored_key = host.urid(SKARROW_LV2_STATE_KEY);
  host.stored_value = blob_of(restored);
  fake_instance x(descriptor(), host);
  x.activate();
  ASSERT_EQ(x.restore(host), LV2_STATE_SUCCESS);
  ASSERT_EQ(x.save(host), LV2_STATE_SUCCESS);
  float values[parameter_count];
  ASSERT_EQ(state_blob_load(host.stored_value.data(), host.stored_value.size(), values), 0);
  const float defaults[parameter_count] = {50, 50, 50, 100, 100, 0};
  for (int i = 0; i < parameter_count; ++i) EXPECT_EQ(values[i], defaults[i]);
  // The restore is still pending and arrives with the next block.
  EXPECT_EQ(x.plugin()->restore_pending, 1);
}

// A restore made before the first activation is not thrown away by it.
TEST(lv2_state, restore_before_activation_survives_it) {
  const float restored[parameter_count] = {80, 20, 70, 30, 120, 1};
  fake_host host;
  host.stored_key = host.urid(SKARROW_LV2_STATE_KEY);
  host.stored_value = blob_of(restored);
  fake_instance x(descriptor(), host);
  for (int i = 0; i < parameter_count; ++i) x.connect_control(i, i == parameter_drive);
  x.controls[parameter_drive] = 5;
  ASSERT_EQ(x.restore(host), LV2_STATE_SUCCESS);
  x.activate();
  expect_engine_values(x, {5, 20, 70, 30, 120, 1});
  x.run(16);
  expect_engine_values(x, {5, 20, 70, 30, 120, 1});
}

TEST(lv2_state, restored_values_are_clamped_and_bypass_snapped) {
  struct row {
    float stored[parameter_count];
    float engine[parameter_count];
  } rows[] = {
      {{250, 50, 50, 100, -5, 0}, {100, 50, 50, 100, 0, 0}},
      {{-1, 101, 0, 0, 200, 1}, {0, 100, 0, 0, 200, 1}},
      {{50, 50, 50, 100, 100, 0.25f}, {50, 50, 50, 100, 100, 1}},
      {{50, 50, 50, 100, 100, -3}, {50, 50, 50, 100, 100, 0}},
      {{std::numeric_limits<float>::infinity(), 50, 50, 100, -std::numeric_limits<float>::infinity(), 0},
       {100, 50, 50, 100, 0, 0}},
  };
  for (const row &r : rows) {
    fake_host host;
    host.stored_key = host.urid(SKARROW_LV2_STATE_KEY);
    host.stored_value = blob_of(r.stored);
    fake_instance x(descriptor(), host);
    for (int i = 0; i < parameter_count; ++i) x.connect_control(i, false);
    x.activate();
    ASSERT_EQ(x.restore(host), LV2_STATE_SUCCESS);
    x.run(8);
    expect_engine_values(x, r.engine);
  }
}

TEST(lv2_state, a_vst3_blob_restores_like_an_lv2_one) {
  const float saved[parameter_count] = {1, 2, 3, 4, 5, 1};
  fake_host host;
  host.stored_key = host.urid(SKARROW_LV2_STATE_KEY);
  host.stored_value = blob_of(saved, "vst3");
  fake_instance x(descriptor(), host);
  for (int i = 0; i < parameter_count; ++i) x.connect_control(i, false);
  x.activate();
  ASSERT_EQ(x.restore(host), LV2_STATE_SUCCESS);
  x.run(8);
  expect_engine_values(x, saved);
}

// Refused blobs fail with 1 and leave the instance exactly as it was.
TEST(lv2_state, refused_blobs_change_nothing) {
  std::vector<std::pair<const char *, std::vector<uint8_t>>> cases;
  odd_blob b;
  b.id = "quenvar-skarrox";
  cases.emplace_back("id differs by one byte", b.bytes());
  b.id = "quenvar-skarrow!";
  cases.emplace_back("id one byte longer", b.bytes());
  b.id = "quenvar-skarro";
  cases.emplace_back("id one byte shorter", b.bytes());
  b = odd_blob();
  b.wide_index = parameter_mix;
  cases.emplace_back("mix 8 bytes", b.bytes());
  b = odd_blob();
  b.values[parameter_drive] = nan;
  cases.emplace_back("drive NaN", b.bytes());
  b = odd_blob();
  b.missing_index = parameter_bypass;
  cases.emplace_back("bypass missing", b.bytes());
  cases.emplace_back("not an archive", std::vector<uint8_t>(700, 'x'));
  cases.emplace_back("empty", std::vector<uint8_t>());
  std::vector<uint8_t> cut = odd_blob().bytes();
  cut.resize(cut.size() / 3);
  cases.emplace_back("truncated", cut);
  // Sanity: the builder's own good blob is accepted.
  ASSERT_EQ(state_blob_load(odd_blob().bytes().data(), odd_blob().bytes().size(), b.values), 0);

  for (auto &[name, bytes] : cases) {
    fake_host host;
    host.stored_key = host.urid(SKARROW_LV2_STATE_KEY);
    host.stored_value = bytes;
    fake_instance x(descriptor(), host);
    x.activate();
    x.run(8);
    lv2_plugin before;
    std::memcpy(static_cast<void *>(&before), x.plugin(), sizeof before);
    EXPECT_EQ(x.restore(host), LV2_STATE_ERR_UNKNOWN) << name;
    EXPECT_EQ(std::memcmp(static_cast<void *>(&before), x.plugin(), sizeof before), 0) << name;
    EXPECT_TRUE(host.log_text.empty()) << name;
  }
}

TEST(lv2_state, missing_urid_map_fails_both_calls_with_their_messages) {
  fake_host host;
  fake_instance x(descriptor(), host, 48000, false, true);
  x.activate();
  host.log_text.clear();
  EXPECT_EQ(x.save(host), LV2_STATE_ERR_UNKNOWN);
  EXPECT_FALSE(host.stored);
  EXPECT_EQ(host.log_text, "Host is trying to store state but didn't provide URID map\n");
  host.log_text.clear();
  host.stored_value = blob_of(x.plugin()->engine.parameter_values);
  EXPECT_EQ(x.restore(host), LV2_STATE_ERR_UNKNOWN);
  EXPECT_EQ(host.log_text, "Host is trying to restore state but didn't provide URID map\n");
  EXPECT_EQ(x.plugin()->restore_pending, 0);
}

TEST(lv2_state, retrieve_without_a_value_names_the_key) {
  fake_host host;
  fake_instance x(descriptor(), host);
  x.activate();
  host.retrieve_has_value = false;
  EXPECT_EQ(x.restore(host), LV2_STATE_ERR_NO_PROPERTY);
  EXPECT_EQ(host.log_text,
            "Cannot restore state since property "
            "<https://quenvar.com/plugins/skarrow#state_data> could not be retrieved\n");
  ASSERT_EQ(host.log_types.size(), 1u);
  EXPECT_EQ(host.log_types[0], host.urid(LV2_LOG__Error));
}

TEST(lv2_state, a_failing_store_is_reported) {
  fake_host host;
  fake_instance x(descriptor(), host);
  x.activate();
  host.store_result = LV2_STATE_ERR_NO_SPACE;
  EXPECT_EQ(x.save(host), LV2_STATE_ERR_UNKNOWN);
  EXPECT_TRUE(host.stored);
  EXPECT_TRUE(host.log_text.empty());
}

// A state call made before the first activation sees the defaults.
TEST(lv2_state, save_before_activation_stores_the_defaults) {
  fake_host host;
  fake_instance x(descriptor(), host, 22050);
  ASSERT_EQ(x.save(host), LV2_STATE_SUCCESS);
  const float defaults[parameter_count] = {50, 50, 50, 100, 100, 0};
  size_t size = 0;
  uint8_t *expected = state_blob_save(defaults, 22050, "lv2", &size);
  EXPECT_EQ(host.stored_value, std::vector<uint8_t>(expected, expected + size));
  std::free(expected);
}

}  // namespace
