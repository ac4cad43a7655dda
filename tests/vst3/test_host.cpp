#include "test_host.h"

#include <cstring>


namespace {

template <class T>
T *self_as(void *self) {
  return reinterpret_cast<T *>(self);  // the face is each record's first field
}

tresult no_query(void *, const char *, void **obj) {
  *obj = nullptr;
  return kNoInterface;
}
uint32_t one(void *) { return 1; }

tresult stream_read(void *self, void *buffer, int32_t count, int32_t *read) {
  memory_stream *s = self_as<memory_stream>(self);
  int64_t left = int64_t(s->bytes.size()) - s->position;
  int64_t n = count < left ? count : left;
  if (n < 0) n = 0;
  if (s->read_limit >= 0 && n > s->read_limit) n = s->read_limit;
  if (n) std::memcpy(buffer, s->bytes.data() + s->position, size_t(n));
  s->position += n;
  if (read) *read = int32_t(n);
  return kResultOk;
}

tresult stream_write(void *self, void *buffer, int32_t count, int32_t *written) {
  memory_stream *s = self_as<memory_stream>(self);
  int64_t n = count;
  if (s->write_room >= 0 && n > s->write_room) n = s->write_room;
  if (s->write_room >= 0) s->write_room -= n;
  if (s->position + n > int64_t(s->bytes.size())) s->bytes.resize(size_t(s->position + n));
  if (n) std::memcpy(s->bytes.data() + s->position, buffer, size_t(n));
  s->position += n;
  if (written) *written = int32_t(n);
  return kResultOk;
}

tresult stream_seek(void *self, int64_t pos, int32_t mode, int64_t *result) {
  memory_stream *s = self_as<memory_stream>(self);
  if ((mode == kIBSeekEnd && s->fail_seek_end) || (mode == kIBSeekSet && s->fail_seek_set)) return kResultFalse;
  int64_t base = mode == kIBSeekSet ? 0 : mode == kIBSeekCur ? s->position : int64_t(s->bytes.size());
  s->position = base + pos;
  if (result) *result = s->position;
  return kResultOk;
}

tresult stream_tell(void *self, int64_t *pos) {
  memory_stream *s = self_as<memory_stream>(self);
  if (s->fail_tell) return kResultFalse;
  *pos = s->position;
  return kResultOk;
}

const IBStreamVtbl stream_vtbl = {{no_query, one, one}, stream_read, stream_write, stream_seek, stream_tell};

ParamID queue_id(void *self) { return self_as<test_queue>(self)->id; }
int32_t queue_count(void *self) { return int32_t(self_as<test_queue>(self)->points.size()); }
tresult queue_point(void *self, int32_t index, int32_t *offset, ParamValue *value) {
  test_queue *q = self_as<test_queue>(self);
  if (q->fail_get_point || index < 0 || size_t(index) >= q->points.size()) return kInvalidArgument;
  *offset = q->points[size_t(index)].first;
  *value = q->points[size_t(index)].second;
  return kResultOk;
}
tresult queue_add(void *, int32_t, ParamValue, int32_t *) { return kResultFalse; }

const IParamValueQueueVtbl queue_vtbl = {{no_query, one, one}, queue_id, queue_count, queue_point, queue_add};

int32_t changes_count(void *self) { return int32_t(self_as<test_changes>(self)->queues.size()); }
IParamValueQueue *changes_data(void *self, int32_t index) {
  test_changes *c = self_as<test_changes>(self);
  if (index < 0 || size_t(index) >= c->queues.size() || !c->queues[size_t(index)]) return nullptr;
  return &c->queues[size_t(index)]->face;
}
IParamValueQueue *changes_add(void *, const ParamID *, int32_t *) { return nullptr; }

const IParameterChangesVtbl changes_vtbl = {{no_query, one, one}, changes_count, changes_data, changes_add};

uint32_t handler_add_ref(void *self) { return uint32_t(++self_as<recording_handler>(self)->refcount); }
uint32_t handler_release(void *self) { return uint32_t(--self_as<recording_handler>(self)->refcount); }
tresult handler_begin(void *self, ParamID id) {
  self_as<recording_handler>(self)->calls.push_back({"begin", id, 0});
  return kResultOk;
}
tresult handler_perform(void *self, ParamID id, ParamValue value) {
  self_as<recording_handler>(self)->calls.push_back({"perform", id, value});
  return kResultOk;
}
tresult handler_end(void *self, ParamID id) {
  self_as<recording_handler>(self)->calls.push_back({"end", id, 0});
  return kResultOk;
}
tresult handler_restart(void *self, int32_t flags) {
  self_as<recording_handler>(self)->calls.push_back({"restart", 0, double(flags)});
  return kResultOk;
}

const IComponentHandlerVtbl handler_vtbl = {
    {no_query, handler_add_ref, handler_release}, handler_begin, handler_perform, handler_end, handler_restart};

}  // namespace

memory_stream::memory_stream() : face{&stream_vtbl} {}
memory_stream::memory_stream(std::vector<uint8_t> data) : face{&stream_vtbl}, bytes(std::move(data)) {}

test_queue::test_queue(ParamID id_, std::vector<std::pair<int32_t, double>> points_)
    : face{&queue_vtbl}, id(id_), points(std::move(points_)) {}

test_changes::test_changes() : face{&changes_vtbl} {}

recording_handler::recording_handler() : face{&handler_vtbl} {}

void *query(void *obj, const vst3_uid &iid) {
  void *out = reinterpret_cast<void *>(1);
  auto *unknown = static_cast<FUnknown *>(obj);
  if (unknown->vtbl->queryInterface(obj, iid.bytes, &out) != kResultOk) return nullptr;
  return out;
}

uint32_t add_ref(void *obj) { return static_cast<FUnknown *>(obj)->vtbl->addRef(obj); }
uint32_t release(void *obj) { return static_cast<FUnknown *>(obj)->vtbl->release(obj); }

mono_block::mono_block(int32_t samples, IParameterChanges *changes)
    : input(size_t(samples)), output(size_t(samples)) {
  input_channels[0] = input.data();
  output_channels[0] = output.data();
  input_bus.numChannels = 1;
  input_bus.channelBuffers32 = input_channels;
  output_bus.numChannels = 1;
  output_bus.channelBuffers32 = output_channels;
  data.symbolicSampleSize = kSample32;
  data.numSamples = samples;
  data.numInputs = 1;
  data.numOutputs = 1;
  data.inputs = &input_bus;
  data.outputs = &output_bus;
  data.inputParameterChanges = changes;
}
