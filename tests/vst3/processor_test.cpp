// The processor through its faces: interfaces and counts, buses, the
// parameter queues at block boundaries, the lock hand-over and the block's
// sample arrays.
#include <gtest/gtest.h>
#include <xmmintrin.h>

#include <cmath>
#include <thread>

#include "alloc_hooks.h"
#include "class_ids.h"
#include "engine/float_modes.h"
#include "processor.h"
#include "test_objects.h"
#include "processor_values_lock.h"

namespace {

constexpr ParamID drive_id = 1955105482, volume_id = 115099194, bypass_id = 150732888;

struct ProcessorTest : testing::Test {
  processor *p = make_processor();
  void *component = &p->component_face;
  void *audio = &p->audio_processor_face;
  void TearDown() override {
    if (p) release(component);
  }
  float engine_value(int index) const { return p->engine.parameter_values[index]; }
};

TEST_F(ProcessorTest, EveryFaceAnswersEveryInterfaceAndCounts) {
  void *faces[] = {&p->component_face, &p->audio_processor_face, &p->context_requirements_face,
                   &p->connection_point_face};
  struct row {
    const vst3_uid *iid;
    void *expected;
  } rows[] = {{&FUnknown_iid, faces[0]},          {&IPluginBase_iid, faces[0]},
              {&IComponent_iid, faces[0]},        {&IAudioProcessor_iid, faces[1]},
              {&IProcessContextRequirements_iid, faces[2]}, {&IConnectionPoint_iid, faces[3]},
              {&IEditController_iid, nullptr},    {&IBStream_iid, nullptr}};
  int32_t count = 1;
  for (void *face : faces)
    for (const row &r : rows) {
      EXPECT_EQ(query(face, *r.iid), r.expected);
      if (r.expected) ++count;
      EXPECT_EQ(p->refcount, count);
    }
  for (; count > 1; --count) EXPECT_EQ(release(faces[count % 4]), uint32_t(count - 1));
  EXPECT_EQ(add_ref(faces[2]), 2u);
  EXPECT_EQ(release(faces[3]), 1u);
}

TEST_F(ProcessorTest, InitializeTwiceNeedsTerminateBetween) {
  auto *c = p->component_face;
  EXPECT_EQ(c->base.initialize(component, &host_context_stub), kResultOk);
  EXPECT_EQ(c->base.initialize(component, &host_context_stub), kResultFalse);
  EXPECT_EQ(c->base.terminate(component), kResultOk);
  EXPECT_EQ(c->base.initialize(component, &host_context_stub), kResultOk);
  char cid[16];
  EXPECT_EQ(c->getControllerClassId(component, cid), kResultOk);
  EXPECT_EQ(std::memcmp(cid, controller_cid.bytes, 16), 0);
  EXPECT_EQ(c->getControllerClassId(component, nullptr), kResultFalse);
  EXPECT_EQ(c->setIoMode(component, 0), kNotImplemented);
  EXPECT_EQ(c->getRoutingInfo(component, nullptr, nullptr), kNotImplemented);
}

TEST_F(ProcessorTest, BusesAreOneMonoInputAndOutput) {
  auto *c = p->component_face;
  EXPECT_EQ(c->getBusCount(component, kAudio, kInput), 1);
  EXPECT_EQ(c->getBusCount(component, kAudio, kOutput), 1);
  EXPECT_EQ(c->getBusCount(component, kEvent, kInput), 0);
  EXPECT_EQ(c->getBusCount(component, kAudio, 2), 0);
  for (int32_t dir : {kInput, kOutput}) {
    BusInfo bus;
    std::memset(&bus, 0x55, sizeof bus);
    ASSERT_EQ(c->getBusInfo(component, kAudio, dir, 0, &bus), kResultOk);
    EXPECT_EQ(bus.mediaType, kAudio);
    EXPECT_EQ(bus.direction, dir);
    EXPECT_EQ(bus.channelCount, 1);
    EXPECT_EQ(std::u16string(bus.name), dir == kInput ? u"Input" : u"Output");
    EXPECT_EQ(bus.busType, kMain);
    EXPECT_EQ(bus.flags, kDefaultActive);
  }
  BusInfo bus;
  struct { int32_t type, dir, index; } bad[] = {{kEvent, kInput, 0}, {kAudio, kInput, -1}, {kAudio, kOutput, 1},
                                               {kAudio, 2, 0}};
  for (auto b : bad) {
    EXPECT_EQ(c->getBusInfo(component, b.type, b.dir, b.index, &bus), kInvalidArgument);
    EXPECT_EQ(c->activateBus(component, b.type, b.dir, b.index, 1), kInvalidArgument);
  }
}

TEST_F(ProcessorTest, OnlyMonoToMonoArrangementsAndThirtyTwoBitSamples) {
  auto *a = p->audio_processor_face;
  SpeakerArrangement mono = kSpeakerMono, stereo = 3, two[2] = {3, 3};
  EXPECT_EQ(a->setBusArrangements(audio, &mono, 1, &mono, 1), kResultOk);
  EXPECT_EQ(a->setBusArrangements(audio, two, 2, two, 2), kResultFalse);
  EXPECT_EQ(a->setBusArrangements(audio, &stereo, 1, &mono, 1), kResultFalse);
  EXPECT_EQ(a->setBusArrangements(audio, &mono, -1, &mono, 1), kInvalidArgument);
  SpeakerArrangement got = 0;
  EXPECT_EQ(a->getBusArrangement(audio, kOutput, 0, &got), kResultOk);
  EXPECT_EQ(got, kSpeakerMono);
  EXPECT_EQ(a->getBusArrangement(audio, kOutput, 1, &got), kInvalidArgument);
  EXPECT_EQ(a->getBusArrangement(audio, 2, 0, &got), kInvalidArgument);
  EXPECT_EQ(a->canProcessSampleSize(audio, kSample32), kResultOk);
  EXPECT_EQ(a->canProcessSampleSize(audio, kSample64), kNotImplemented);
  EXPECT_EQ(a->getLatencySamples(audio), 0u);
  EXPECT_EQ(a->getTailSamples(audio), 0u);
  EXPECT_EQ(a->setProcessing(audio, 1), kNotImplemented);
  EXPECT_EQ(p->context_requirements_face->getProcessContextRequirements(&p->context_requirements_face), 0u);
  auto *cp = p->connection_point_face;
  EXPECT_EQ(cp->connect(&p->connection_point_face, nullptr), kInvalidArgument);
  EXPECT_EQ(cp->connect(&p->connection_point_face, this), kResultOk);
  EXPECT_EQ(cp->notify(&p->connection_point_face, nullptr), kResultOk);
  EXPECT_EQ(cp->disconnect(&p->connection_point_face, this), kResultOk);
}

TEST_F(ProcessorTest, SetupProcessingRefusesRatesThatAreNotPositiveNumbers) {
  auto *a = p->audio_processor_face;
  p->component_face->base.initialize(component, &host_context_stub);
  for (double rate : {0.0, -44100.0, double(NAN), double(INFINITY), 1e300}) {
    ProcessSetup setup{0, kSample32, 512, rate};
    EXPECT_EQ(a->setupProcessing(audio, &setup), kInvalidArgument) << rate;
    EXPECT_EQ(p->configured_sample_rate, 0.0f);
  }
  ProcessSetup setup{0, kSample32, 512, 44100.0};
  EXPECT_EQ(a->setupProcessing(audio, &setup), kResultOk);
  EXPECT_EQ(p->configured_sample_rate, 44100.0f);
}

// The first point applies before the block only at offset 0; the last point
// applies after it only past offset 0; points between never apply.
TEST_F(ProcessorTest, QueuesGiveAtMostTheirFirstAndLastPoints) {
  start_processing(p);
  test_queue drive(drive_id, {{0, 0.2}, {64, 0.5}, {128, 0.8}});
  test_changes changes;
  changes.queues = {&drive};
  mono_block block(256, changes.changes());
  for (size_t i = 0; i < block.input.size(); ++i) block.input[i] = 0.5f * std::sin(0.05f * float(i));

  // The same block through an engine given 20 before it.
  engine reference = p->engine;
  engine_set_parameter(&reference, parameter_drive, 20.0f);
  std::vector<float> expected(256);
  uint32_t saved = float_modes_enter();
  engine_process(&reference, block.input.data(), expected.data(), 256);
  float_modes_leave(saved);

  ASSERT_EQ(run_block(p, block), kResultOk);
  EXPECT_EQ(block.output, expected);
  EXPECT_EQ(engine_value(parameter_drive), 80.0f);
}

TEST_F(ProcessorTest, QueuePointsMapToPlainValues) {
  struct row {
    const char *what;
    ParamID id;
    std::vector<std::pair<int32_t, double>> points;
    int index;
    float before, after;  // engine value after the first and after the second call of the block
  } rows[] = {
      {"single point after offset 0 applies after the block", drive_id, {{100, 0.3}}, 0, 50, 30},
      {"single point at offset 0 applies before", drive_id, {{0, 0.3}}, 0, 30, 30},
      {"bypass 0.49 is off", bypass_id, {{0, 0.49}}, 5, 0, 0},
      {"bypass 0.5 is on", bypass_id, {{0, 0.5}}, 5, 1, 1},
      {"volume 1.7 clamps to 200", volume_id, {{0, 1.7}}, 4, 200, 200},
      {"volume -0.5 clamps to 0", volume_id, {{0, -0.5}}, 4, 0, 0},
      {"an unknown id is ignored", 42, {{0, 0.9}}, 0, 50, 50},
      {"an empty queue is skipped", drive_id, {}, 0, 50, 50},
  };
  for (const row &r : rows) {
    processor *q = make_processor();
    start_processing(q);
    test_queue queue(r.id, r.points);
    test_changes changes;
    changes.queues = {nullptr, &queue};
    mono_block block(64, changes.changes());
    // Only the start of the block: the end call sees the same points again.
    apply_parameter_changes(q, &block.data, true);
    EXPECT_EQ(q->engine.parameter_values[r.index], r.before) << r.what;
    apply_parameter_changes(q, &block.data, false);
    EXPECT_EQ(q->engine.parameter_values[r.index], r.after) << r.what;
    release(&q->component_face);
  }
}

TEST_F(ProcessorTest, AQueueWhosePointCannotBeReadIsSkipped) {
  start_processing(p);
  test_queue drive(drive_id, {{0, 0.9}});
  drive.fail_get_point = true;
  test_changes changes;
  changes.queues = {&drive};
  mono_block block(32, changes.changes());
  run_block(p, block);
  EXPECT_EQ(engine_value(parameter_drive), 50.0f);
}

// While a state call holds the lock the block's changes land only in
// host_values; the next block, with the lock free, hands them to the engine.
TEST_F(ProcessorTest, ChangesWaitWhileAnotherThreadHoldsTheLock) {
  start_processing(p);
  bool held = false, done = false;
  std::thread state_thread([&] {
    values_lock_take(&p->values_lock);
    p->synced = 0;
    __atomic_store_n(&held, true, __ATOMIC_RELEASE);
    while (!__atomic_load_n(&done, __ATOMIC_ACQUIRE)) std::this_thread::yield();
    values_lock_release(&p->values_lock);
  });
  while (!__atomic_load_n(&held, __ATOMIC_ACQUIRE)) std::this_thread::yield();

  test_queue volume(volume_id, {{0, 0.75}});
  test_changes changes;
  changes.queues = {&volume};
  mono_block block(64, changes.changes());
  run_block(p, block);
  EXPECT_EQ(p->host_values[parameter_volume], 150.0f);
  EXPECT_EQ(p->applied_values[parameter_volume], 100.0f);
  EXPECT_EQ(engine_value(parameter_volume), 100.0f);

  __atomic_store_n(&done, true, __ATOMIC_RELEASE);
  state_thread.join();
  mono_block quiet(64);
  run_block(p, quiet);
  EXPECT_EQ(engine_value(parameter_volume), 150.0f);
  EXPECT_EQ(p->applied_values[parameter_volume], 150.0f);
  EXPECT_EQ(p->synced, 1);
}

TEST_F(ProcessorTest, InactiveBusesOutputSilence) {
  p->component_face->base.initialize(component, &host_context_stub);
  ProcessSetup setup{0, kSample32, 512, 44100.0};
  p->audio_processor_face->setupProcessing(audio, &setup);
  p->component_face->activateBus(component, kAudio, kOutput, 0, 1);
  p->component_face->setActive(component, 1);
  EXPECT_EQ(p->processing_enabled, 0);
  mono_block block(128);
  std::fill(block.input.begin(), block.input.end(), 0.25f);
  std::fill(block.output.begin(), block.output.end(), 7.0f);
  EXPECT_EQ(run_block(p, block), kResultOk);
  EXPECT_EQ(block.output, std::vector<float>(128, 0.0f));
  // Deactivation keeps the flag as it is.
  p->component_face->activateBus(component, kAudio, kInput, 0, 1);
  p->component_face->setActive(component, 0);
  EXPECT_EQ(p->processing_enabled, 0);
  p->component_face->setActive(component, 1);
  EXPECT_EQ(p->processing_enabled, 1);
  p->component_face->setActive(component, 0);
  EXPECT_EQ(p->processing_enabled, 1);
}

TEST_F(ProcessorTest, ActivationWithoutASampleRateOutputsSilence) {
  p->component_face->base.initialize(component, &host_context_stub);
  p->component_face->activateBus(component, kAudio, kInput, 0, 1);
  p->component_face->activateBus(component, kAudio, kOutput, 0, 1);
  p->component_face->setActive(component, 1);
  EXPECT_EQ(p->processing_enabled, 0);
  mono_block block(16);
  std::fill(block.input.begin(), block.input.end(), 0.5f);
  std::fill(block.output.begin(), block.output.end(), 3.0f);
  run_block(p, block);
  EXPECT_EQ(block.output, std::vector<float>(16, 0.0f));
}

TEST_F(ProcessorTest, ZeroSamplesStillTakeParameterChanges) {
  start_processing(p);
  test_queue drive(drive_id, {{0, 0.1}});
  test_changes changes;
  changes.queues = {&drive};
  mono_block block(0, changes.changes());
  block.data.inputs = block.data.outputs = nullptr;  // nothing may be touched
  EXPECT_EQ(run_block(p, block), kResultOk);
  EXPECT_EQ(engine_value(parameter_drive), 10.0f);
}

// Blocks whose buses lack channel arrays: no sample array is touched beyond
// what the host gave; an output that exists gets silence.
TEST_F(ProcessorTest, MissingChannelBuffersAreNeverTouched) {
  start_processing(p);
  struct row {
    const char *what;
    bool no_inputs, null_input_channels, null_input_channel, no_outputs, null_output_channels;
    bool output_silent;
  } rows[] = {
      {"no input buses", true, false, false, false, false, true},
      {"input bus without channel array", false, true, false, false, false, true},
      {"input channel pointer null", false, false, true, false, false, true},
      {"no output buses", false, false, false, true, false, false},
      {"output bus without channel array", false, false, false, false, true, false},
  };
  for (const row &r : rows) {
    mono_block block(64);
    std::fill(block.output.begin(), block.output.end(), 9.0f);
    if (r.no_inputs) block.data.numInputs = 0, block.data.inputs = nullptr;
    if (r.null_input_channels) block.input_bus.channelBuffers32 = nullptr;
    if (r.null_input_channel) block.input_channels[0] = nullptr;
    if (r.no_outputs) block.data.numOutputs = 0, block.data.outputs = nullptr;
    if (r.null_output_channels) block.output_bus.channelBuffers32 = nullptr;
    EXPECT_EQ(run_block(p, block), kResultOk) << r.what;
    EXPECT_EQ(block.output, std::vector<float>(64, r.output_silent ? 0.0f : 9.0f)) << r.what;
  }
  mono_block wide(64);
  wide.data.symbolicSampleSize = kSample64;
  std::fill(wide.output.begin(), wide.output.end(), 9.0f);
  EXPECT_EQ(run_block(p, wide), kResultOk);
  EXPECT_EQ(wide.output, std::vector<float>(64, 9.0f));
  EXPECT_EQ(p->audio_processor_face->process(audio, nullptr), kInvalidArgument);
}

TEST_F(ProcessorTest, OneBufferMayBeBothInputAndOutput) {
  start_processing(p);
  processor *twin = make_processor();
  start_processing(twin);
  mono_block separate(200), shared(200);
  for (int i = 0; i < 200; ++i) separate.input[size_t(i)] = shared.input[size_t(i)] = 0.3f * std::cos(0.1f * float(i));
  shared.output_channels[0] = shared.input.data();
  run_block(p, separate);
  run_block(twin, shared);
  EXPECT_EQ(shared.input, separate.output);
  release(&twin->component_face);
}

TEST_F(ProcessorTest, TheHostsFloatModesComeBack) {
  start_processing(p);
  mono_block block(32);
  const uint32_t original = _mm_getcsr();
  for (uint32_t modes : {0u, 0x8040u, 0x8000u, 0x0040u}) {
    _mm_setcsr((original & ~0x8040u) | modes);
    run_block(p, block);
    EXPECT_EQ(_mm_getcsr() & 0x8040u, modes);
  }
  _mm_setcsr(original);
}

TEST_F(ProcessorTest, ProcessAllocatesNothing) {
  start_processing(p);
  test_queue drive(drive_id, {{0, 0.2}, {100, 0.7}});
  test_queue bypass(bypass_id, {{0, 0.9}});
  test_changes changes;
  changes.queues = {&drive, &bypass};
  mono_block block(512, changes.changes());
  alloc_scope scope;
  for (int i = 0; i < 8; ++i) run_block(p, block);
  EXPECT_EQ(scope.count(), 0);
}

}  // namespace
