// The audio thread processes while a state thread saves and restores in a
// loop: no data race (run under ThreadSanitizer), no torn state, and the
// state is the restored one once the threads are done.
#include <gtest/gtest.h>

#include <cstdlib>
#include <thread>

#include "processor.h"
#include "state/state_blob.h"
#include "test_objects.h"

namespace {

constexpr ParamID drive_id = 1955105482, mix_id = 907392060;

TEST(ProcessorConcurrency, StateCallsDuringProcessing) {
  processor *p = make_processor();
  start_processing(p);
  constexpr int rounds = 300;
  const float first[6] = {10, 20, 30, 40, 50, 0}, second[6] = {90, 80, 70, 60, 150, 1};
  std::vector<uint8_t> blobs[2];
  for (int i = 0; i < 2; ++i) {
    size_t size = 0;
    uint8_t *blob = state_blob_save(i ? second : first, 48000, "vst3", &size);
    blobs[i].assign(blob, blob + size);
    std::free(blob);
  }

  bool stop = false;
  std::thread audio([&] {
    test_queue drive(drive_id, {{0, 0.25}, {32, 0.75}});
    test_queue mix(mix_id, {{0, 0.5}});
    test_changes changes;
    changes.queues = {&drive, &mix};
    mono_block block(64, changes.changes());
    for (size_t i = 0; i < block.input.size(); ++i) block.input[i] = float(i % 7) * 0.1f;
    while (!__atomic_load_n(&stop, __ATOMIC_ACQUIRE)) run_block(p, block);
  });

  int saved_ok = 0, restored_ok = 0;
  for (int round = 0; round < rounds; ++round) {
    memory_stream out;
    if (p->component_face->getState(&p->component_face, out.stream()) == kResultOk) {
      float values[6];
      saved_ok += state_blob_load(out.bytes.data(), out.bytes.size(), values) == 0;
    }
    memory_stream in(blobs[round % 2]);
    restored_ok += p->component_face->setState(&p->component_face, in.stream()) == kResultOk;
  }
  __atomic_store_n(&stop, true, __ATOMIC_RELEASE);
  audio.join();
  EXPECT_EQ(saved_ok, rounds);
  EXPECT_EQ(restored_ok, rounds);

  // The last restore was the second blob. Automation the audio thread took
  // after it may have moved drive and mix on; nothing else has moved.
  mono_block quiet(16);
  run_block(p, quiet);
  const float *v = p->engine.parameter_values;
  EXPECT_TRUE(v[0] == 90 || v[0] == 75) << v[0];
  EXPECT_TRUE(v[3] == 60 || v[3] == 50) << v[3];
  EXPECT_EQ((std::vector<float>{v[1], v[2], v[4], v[5]}), (std::vector<float>{80, 70, 150, 1}));
  // A restore with the audio thread at rest wins over everything.
  memory_stream last(blobs[1]);
  ASSERT_EQ(p->component_face->setState(&p->component_face, last.stream()), kResultOk);
  run_block(p, quiet);
  EXPECT_EQ(std::vector<float>(v, v + 6), std::vector<float>(second, second + 6));
  release(&p->component_face);
}

}  // namespace
