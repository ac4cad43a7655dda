// State through host streams: the processor's getState and setState, the
// controller's setComponentState, and every way a stream or blob can fail.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include "alloc_hooks.h"
#include "controller.h"
#include "processor.h"
#include "state/state_archive.h"
#include "state/state_blob.h"
#include "state_transfer.h"
#include "test_objects.h"

namespace {

constexpr ParamID drive_id = 1955105482, tone_id = 1278044914, mix_id = 907392060, volume_id = 115099194,
                  bypass_id = 150732888;

std::vector<uint8_t> blob_of(const float values[6], const char *format = "vst3", float rate = 48000) {
  size_t size = 0;
  uint8_t *blob = state_blob_save(values, rate, format, &size);
  std::vector<uint8_t> bytes(blob, blob + size);
  std::free(blob);
  return bytes;
}

std::vector<float> engine_values(const processor *p) {
  return std::vector<float>(p->engine.parameter_values, p->engine.parameter_values + 6);
}

struct StateTest : testing::Test {
  processor *p = make_processor();
  void SetUp() override { start_processing(p); }
  void TearDown() override { release(&p->component_face); }
  tresult get_state(memory_stream &s) { return p->component_face->getState(&p->component_face, s.stream()); }
  tresult set_state(memory_stream &s) { return p->component_face->setState(&p->component_face, s.stream()); }
  void run_quiet_block() {
    mono_block block(16);
    run_block(p, block);
  }
};

TEST_F(StateTest, GetStateThenSetStateRoundTripsAllSixValues) {
  test_queue drive(drive_id, {{0, 0.3}}), mix(mix_id, {{0, 0.25}}), bypass(bypass_id, {{0, 1.0}});
  test_changes changes;
  changes.queues = {&drive, &mix, &bypass};
  mono_block block(32, changes.changes());
  run_block(p, block);
  const std::vector<float> saved = engine_values(p);
  memory_stream stream;
  ASSERT_EQ(get_state(stream), kResultOk);

  processor *other = make_processor();
  start_processing(other);
  memory_stream again(stream.bytes);
  ASSERT_EQ(other->component_face->setState(&other->component_face, again.stream()), kResultOk);
  EXPECT_EQ(other->restore_pending, 1);
  mono_block quiet(16);
  run_block(other, quiet);
  EXPECT_EQ(engine_values(other), saved);
  EXPECT_EQ(other->restore_pending, 0);
  release(&other->component_face);

  // The same bytes into the same processor leave everything as it was.
  memory_stream same(stream.bytes);
  ASSERT_EQ(set_state(same), kResultOk);
  run_quiet_block();
  EXPECT_EQ(engine_values(p), saved);
}

TEST_F(StateTest, RestoredValuesAreSnappedAndClamped) {
  struct row {
    const char *what;
    float stored[6];
    float restored[6];
  } rows[] = {
      {"bypass 0.7 is on", {50, 50, 50, 100, 100, 0.7f}, {50, 50, 50, 100, 100, 1}},
      {"volume 500 is 200", {50, 50, 50, 100, 500, 0}, {50, 50, 50, 100, 200, 0}},
      {"infinities clamp", {INFINITY, -INFINITY, 50, 100, 100, 0}, {100, 0, 50, 100, 100, 0}},
      {"an LV2 blob loads", {10, 20, 30, 40, 50, 1}, {10, 20, 30, 40, 50, 1}},
  };
  for (const row &r : rows) {
    memory_stream stream(blob_of(r.stored, std::string(r.what).find("LV2") != std::string::npos ? "lv2" : "vst3"));
    ASSERT_EQ(set_state(stream), kResultOk) << r.what;
    run_quiet_block();
    EXPECT_EQ(engine_values(p), std::vector<float>(r.restored, r.restored + 6)) << r.what;
  }
}

TEST_F(StateTest, ARefusedBlobChangesNothing) {
  const float with_nan[6] = {50, 50, 50, NAN, 100, 0};
  std::vector<uint8_t> nan_mix = blob_of(with_nan);
  const float good[6] = {10, 10, 10, 10, 10, 1};
  std::vector<uint8_t> cut = blob_of(good);
  cut.resize(cut.size() / 2);
  std::vector<uint8_t> garbage(1024, 0x41);
  for (const std::vector<uint8_t> &bytes : {nan_mix, cut, garbage, std::vector<uint8_t>{}}) {
    memory_stream stream(bytes);
    EXPECT_EQ(set_state(stream), kResultFalse);
    EXPECT_EQ(p->restore_pending, 0);
    run_quiet_block();
    EXPECT_EQ(engine_values(p), (std::vector<float>{50, 50, 50, 100, 100, 0}));
  }
}

TEST_F(StateTest, AStreamIsReadFromItsFirstByteWhereverItStands) {
  const float values[6] = {1, 2, 3, 4, 5, 0};
  memory_stream stream(blob_of(values));
  stream.position = int64_t(stream.bytes.size() / 2);
  ASSERT_EQ(set_state(stream), kResultOk);
  run_quiet_block();
  EXPECT_EQ(engine_values(p), std::vector<float>(values, values + 6));
}

TEST_F(StateTest, StreamFailuresAreReported) {
  const float values[6] = {1, 2, 3, 4, 5, 0};
  struct row {
    const char *what;
    void (*spoil)(memory_stream &);
  } rows[] = {
      {"seek to the end fails", [](memory_stream &s) { s.fail_seek_end = true; }},
      {"tell fails", [](memory_stream &s) { s.fail_tell = true; }},
      {"seek to the start fails", [](memory_stream &s) { s.fail_seek_set = true; }},
      {"a read comes back short", [](memory_stream &s) { s.read_limit = 100; }},
  };
  for (const row &r : rows) {
    memory_stream stream(blob_of(values));
    r.spoil(stream);
    EXPECT_EQ(set_state(stream), kResultFalse) << r.what;
    EXPECT_EQ(p->restore_pending, 0) << r.what;
  }
  EXPECT_EQ(p->component_face->setState(&p->component_face, nullptr), kResultFalse);
  EXPECT_EQ(p->component_face->getState(&p->component_face, nullptr), kResultFalse);
}

TEST_F(StateTest, OutOfMemoryWhileReadingOrSavingIsReported) {
  const float values[6] = {1, 2, 3, 4, 5, 0};
  memory_stream in(blob_of(values));
  alloc_hooks_fail_at(1);
  EXPECT_EQ(set_state(in), kResultFalse);
  alloc_hooks_fail_at(0);
  EXPECT_EQ(p->restore_pending, 0);

  memory_stream out;
  alloc_hooks_fail_at(1);
  EXPECT_EQ(get_state(out), kResultFalse);
  alloc_hooks_fail_at(0);
  EXPECT_TRUE(out.bytes.empty());
}

TEST_F(StateTest, AShortWriteFailsAndKeepsWhatWasWritten) {
  memory_stream out;
  out.write_room = 10;
  EXPECT_EQ(get_state(out), kResultFalse);
  EXPECT_EQ(out.bytes.size(), 10u);
}

TEST_F(StateTest, GetStateReportsTheEngineNotAWaitingRestore) {
  const float values[6] = {1, 2, 3, 4, 5, 1};
  memory_stream in(blob_of(values));
  ASSERT_EQ(set_state(in), kResultOk);
  memory_stream out;
  ASSERT_EQ(get_state(out), kResultOk);
  float got[6];
  ASSERT_EQ(state_blob_load(out.bytes.data(), out.bytes.size(), got), 0);
  EXPECT_EQ(std::vector<float>(got, got + 6), (std::vector<float>{50, 50, 50, 100, 100, 0}));
}

float saved_sample_rate(const std::vector<uint8_t> &blob) {
  state_archive archive;
  if (state_archive_read(&archive, blob.data(), blob.size()) != 0) return -1;
  size_t length = 0;
  const void *value = byte_map_find(archive.info, "sample_rate", 11, &length);
  float rate = -1;
  if (value && length == 4) std::memcpy(&rate, value, 4);
  size_t format_length = 0;
  const void *format = byte_map_find(archive.info, "format", 6, &format_length);
  EXPECT_EQ(std::string(static_cast<const char *>(format), format_length), "vst3");
  state_archive_free(&archive);
  return rate;
}

TEST(ProcessorState, NeverActivatedSavesSampleRateZero) {
  processor *p = make_processor();
  p->component_face->base.initialize(&p->component_face, &host_context_stub);
  memory_stream out;
  ASSERT_EQ(p->component_face->getState(&p->component_face, out.stream()), kResultOk);
  EXPECT_EQ(saved_sample_rate(out.bytes), 0.0f);
  start_processing(p, 44100);
  memory_stream active;
  ASSERT_EQ(p->component_face->getState(&p->component_face, active.stream()), kResultOk);
  EXPECT_EQ(saved_sample_rate(active.bytes), 44100.0f);
  release(&p->component_face);
}

TEST(ReadWholeStream, EmptyStreamGivesNoBufferAndLargeReadsComeInPieces) {
  memory_stream empty;
  uint8_t *buffer = reinterpret_cast<uint8_t *>(1);
  size_t size = 99;
  EXPECT_EQ(read_whole_stream(empty.stream(), &buffer, &size), 0);
  EXPECT_EQ(buffer, nullptr);
  EXPECT_EQ(size, 0u);

  memory_stream data(std::vector<uint8_t>(5000, 7));
  data.position = 4000;
  ASSERT_EQ(read_whole_stream(data.stream(), &buffer, &size), 0);
  EXPECT_EQ(std::vector<uint8_t>(buffer, buffer + size), data.bytes);
  std::free(buffer);
}

// The controller reads the same blob and keeps the values as doubles.
TEST(ControllerState, SetComponentStateUpdatesTheValues) {
  controller *c = make_controller();
  auto *e = c->edit_controller_face;
  const float values[6] = {25, 75, 10, 0, 150, 0.7f};
  memory_stream stream(blob_of(values));
  stream.position = 3;
  ASSERT_EQ(e->setComponentState(c, stream.stream()), kResultOk);
  EXPECT_EQ(std::vector<double>(c->values, c->values + 6), (std::vector<double>{25, 75, 10, 0, 150, 1}));
  EXPECT_DOUBLE_EQ(e->getParamNormalized(c, volume_id), 0.75);
  EXPECT_DOUBLE_EQ(e->getParamNormalized(c, tone_id), 0.75);

  const float refused[6] = {1, 1, 1, 1, NAN, 1};
  memory_stream bad(blob_of(refused));
  EXPECT_EQ(e->setComponentState(c, bad.stream()), kResultFalse);
  memory_stream failing(blob_of(values));
  failing.read_limit = 1;
  EXPECT_EQ(e->setComponentState(c, failing.stream()), kResultFalse);
  EXPECT_EQ(e->setComponentState(c, nullptr), kResultFalse);
  EXPECT_EQ(c->values[4], 150.0);
  memory_stream unused;
  EXPECT_EQ(e->getState(c, unused.stream()), kNotImplemented);
  EXPECT_EQ(e->setState(c, unused.stream()), kNotImplemented);
  release(c);
}

}  // namespace
