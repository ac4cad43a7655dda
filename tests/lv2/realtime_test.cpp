// The plug-in linked into the test, so the allocation hooks see every
// allocation it makes: none in run, and out-of-memory paths that fail cleanly.
#include <cstdlib>

#include <gtest/gtest.h>

#include "alloc_hooks.h"
#include "fake_host.h"
#include "lv2_uris.h"
#include "state/state_blob.h"

namespace {

const LV2_Descriptor *descriptor() { return lv2_descriptor(0); }

TEST(lv2_realtime, run_allocates_nothing) {
  fake_host host;
  fake_instance x(descriptor(), host, 44100, true, true, true, 256);
  x.activate();
  const float restored[parameter_count] = {10, 20, 30, 40, 50, 1};
  size_t size = 0;
  uint8_t *blob = state_blob_save(restored, 44100, "lv2", &size);
  host.stored_key = host.urid(SKARROW_LV2_STATE_KEY);
  host.stored_value.assign(blob, blob + size);
  std::free(blob);

  // Every path of the run step: steady, changing ports, a held lock, a
  // pending restore, a save's resync.
  for (int step = 0; step < 8; ++step) {
    if (step == 2) x.plugin()->values_lock.store(1);
    if (step == 3) x.plugin()->values_lock.store(0);
    if (step == 4) {
      ASSERT_EQ(x.restore(host), LV2_STATE_SUCCESS);
    }
    if (step == 6) {
      ASSERT_EQ(x.save(host), LV2_STATE_SUCCESS);
    }
    x.controls[parameter_drive] = float(step * 13);
    x.controls[parameter_bypass] = float(step % 2);
    alloc_scope scope;
    x.run(uint32_t(x.in.size()));
    x.run(0);
    EXPECT_EQ(scope.count(), 0) << "step " << step;
  }
}

TEST(lv2_realtime, out_of_memory_at_instantiation_gives_null) {
  fake_host host;
  std::vector<const LV2_Feature *> features = host.features(true, true);
  alloc_hooks_fail_at(1);
  LV2_Handle h = descriptor()->instantiate(descriptor(), 48000, "/", features.data());
  alloc_hooks_fail_at(0);
  EXPECT_EQ(h, nullptr);
  EXPECT_TRUE(host.log_text.empty());
}

// Each allocation of a save failing in turn: code 1, nothing stored, nothing
// leaked; once there are enough, the save succeeds.
TEST(lv2_realtime, out_of_memory_while_saving_fails_cleanly) {
  fake_host host;
  fake_instance x(descriptor(), host);
  x.activate();
  bool succeeded = false;
  for (long n = 1; n < 200 && !succeeded; ++n) {
    host.stored = false;
    long live = alloc_hooks_live_blocks();
    alloc_hooks_fail_at(n);
    LV2_State_Status status = x.save(host);
    alloc_hooks_fail_at(0);
    EXPECT_EQ(alloc_hooks_live_blocks(), live) << "allocation " << n;
    if (status == LV2_STATE_SUCCESS) {
      succeeded = true;
    } else {
      EXPECT_EQ(status, LV2_STATE_ERR_UNKNOWN);
      EXPECT_FALSE(host.stored);
    }
  }
  EXPECT_TRUE(succeeded);
  EXPECT_TRUE(host.log_text.empty());
}

TEST(lv2_realtime, out_of_memory_while_restoring_changes_nothing) {
  fake_host host;
  fake_instance x(descriptor(), host);
  x.activate();
  x.controls[parameter_heat] = 90;
  ASSERT_EQ(x.save(host), LV2_STATE_SUCCESS);  // heat still 50 in the engine
  x.run(8);
  bool succeeded = false;
  for (long n = 1; n < 200 && !succeeded; ++n) {
    long live = alloc_hooks_live_blocks();
    alloc_hooks_fail_at(n);
    LV2_State_Status status = x.restore(host);
    alloc_hooks_fail_at(0);
    EXPECT_EQ(alloc_hooks_live_blocks(), live) << "allocation " << n;
    if (status == LV2_STATE_SUCCESS) {
      succeeded = true;
    } else {
      EXPECT_EQ(status, LV2_STATE_ERR_UNKNOWN);
      EXPECT_EQ(x.plugin()->restore_pending, 0);
    }
  }
  EXPECT_TRUE(succeeded);
  EXPECT_EQ(x.plugin()->restore_pending, 1);
  EXPECT_EQ(x.plugin()->applied_values[parameter_heat], 50);
}

}  // namespace
