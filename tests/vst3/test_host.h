// The host side of the VST 3 calls, for tests: a memory stream with
// controllable failures, parameter change queues with points, and a
// component handler that records what it is told.
#pragma once

#include <string>
#include <vector>

#include "abi_audio_processor.h"
#include "abi_edit_controller.h"
#include "abi_stream.h"

struct memory_stream {
  IBStream face;
  std::vector<uint8_t> bytes;
  int64_t position = 0;
  int32_t read_limit = -1;   // most bytes one read returns; -1: no limit
  int64_t write_room = -1;   // bytes accepted before writes come back short; -1: no limit
  bool fail_seek_end = false;
  bool fail_seek_set = false;
  bool fail_tell = false;

  memory_stream();
  explicit memory_stream(std::vector<uint8_t> data);
  IBStream *stream() { return &face; }
};

struct test_queue {
  IParamValueQueue face;
  ParamID id;
  std::vector<std::pair<int32_t, double>> points;
  bool fail_get_point = false;

  test_queue(ParamID id, std::vector<std::pair<int32_t, double>> points);
};

// Queue slots may be null: getParameterData then answers null.
struct test_changes {
  IParameterChanges face;
  std::vector<test_queue *> queues;

  test_changes();
  IParameterChanges *changes() { return &face; }
};

struct handler_call {
  std::string what;  // "begin", "perform", "end", "restart"
  ParamID id;
  double value;
  bool operator==(const handler_call &) const = default;
};

struct recording_handler {
  IComponentHandler face;
  int32_t refcount = 1;  // the test's own reference
  std::vector<handler_call> calls;

  recording_handler();
  IComponentHandler *handler() { return &face; }
};

// Queries obj for iid; returns the interface or null.
void *query(void *obj, const vst3_uid &iid);
uint32_t add_ref(void *obj);
uint32_t release(void *obj);

// One mono block: buffers for the test to fill and read, wired into data.
struct mono_block {
  std::vector<float> input, output;
  float *input_channels[1];
  float *output_channels[1];
  AudioBusBuffers input_bus{}, output_bus{};
  ProcessData data{};

  explicit mono_block(int32_t samples, IParameterChanges *changes = nullptr);
  mono_block(const mono_block &) = delete;
};

