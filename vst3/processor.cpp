#include "processor.h"

#include <cfloat>
#include <cstdlib>
#include <xmmintrin.h>

#include "class_ids.h"
#include "engine/float_modes.h"
#include "text16.h"

namespace {

constexpr uint32_t float_mode_bits = 0x8040u;  // flush-to-zero (bit 15), denormals-are-zero (bit 6)

template <int face>
processor *from_face(void *self) {
  return reinterpret_cast<processor *>(static_cast<char *>(self) - face * sizeof(void *));
}

tresult query(processor *p, const char *iid, void **obj) {
  if (!obj) return kInvalidArgument;
  void *face = nullptr;
  if (vst3_uid_equal(iid, FUnknown_iid) || vst3_uid_equal(iid, IPluginBase_iid) ||
      vst3_uid_equal(iid, IComponent_iid))
    face = &p->component_face;
  else if (vst3_uid_equal(iid, IAudioProcessor_iid))
    face = &p->audio_processor_face;
  else if (vst3_uid_equal(iid, IProcessContextRequirements_iid))
    face = &p->context_requirements_face;
  else if (vst3_uid_equal(iid, IConnectionPoint_iid))
    face = &p->connection_point_face;
  *obj = face;
  if (!face) return kNoInterface;
  ++p->refcount;
  return kResultOk;
}

// [main thread] on every face.
template <int face>
tresult query_interface(void *self, const char *iid, void **obj) {
  return query(from_face<face>(self), iid, obj);
}

template <int face>
uint32_t add_ref(void *self) {
  return uint32_t(++from_face<face>(self)->refcount);
}

// No terminate is implied: the host has terminated already, or not at all.
template <int face>
uint32_t release(void *self) {
  processor *p = from_face<face>(self);
  int32_t count = --p->refcount;
  if (count == 0) std::free(p);
  return uint32_t(count);
}

// --- IComponent ---

// [main thread]
tresult initialize(void *self, FUnknown *context) {
  processor *p = processor_from_component(self);
  if (p->host_context) return kResultFalse;
  p->host_context = context;
  engine_init(&p->engine);
  p->configured_sample_rate = 0.0f;
  for (int i = 0; i < parameter_count; ++i)
    p->host_values[i] = p->applied_values[i] = float(parameter_table[i].default_value);
  p->values_lock = 0;
  p->synced = 1;
  p->restore_pending = 0;
  p->input_channel = nullptr;
  p->output_channel = nullptr;
  p->processing_enabled = 0;
  p->input_bus_active = 0;
  p->output_bus_active = 0;
  return kResultOk;
}

// [main thread]
tresult terminate(void *self) {
  processor_from_component(self)->host_context = nullptr;
  return kResultOk;
}

// [main thread]
tresult get_controller_class_id(void *, char *cid) {
  if (!cid) return kResultFalse;
  std::memcpy(cid, controller_cid.bytes, 16);
  return kResultOk;
}

tresult not_implemented_mode(void *, int32_t) { return kNotImplemented; }

// [main thread]
int32_t get_bus_count(void *, int32_t type, int32_t dir) {
  return type == kAudio && (dir == kInput || dir == kOutput) ? 1 : 0;
}

bool is_main_audio_bus(int32_t type, int32_t dir, int32_t index) {
  return type == kAudio && index == 0 && (dir == kInput || dir == kOutput);
}

// [main thread]
tresult get_bus_info(void *, int32_t type, int32_t dir, int32_t index, BusInfo *bus) {
  if (!is_main_audio_bus(type, dir, index) || !bus) return kInvalidArgument;
  bus->mediaType = kAudio;
  bus->direction = dir;
  bus->channelCount = 1;
  text16_copy(bus->name, dir == kInput ? "Input" : "Output", 128);
  bus->busType = kMain;
  bus->flags = kDefaultActive;
  return kResultOk;
}

tresult get_routing_info(void *, void *, void *) { return kNotImplemented; }

// [main thread]
tresult activate_bus(void *self, int32_t type, int32_t dir, int32_t index, TBool state) {
  if (!is_main_audio_bus(type, dir, index)) return kInvalidArgument;
  processor *p = processor_from_component(self);
  (dir == kInput ? p->input_bus_active : p->output_bus_active) = state ? 1 : 0;
  return kResultOk;
}

// [main thread] A processor activated without a usable sample rate outputs
// silence instead of running the engine at rate 0.
tresult set_active(void *self, TBool state) {
  processor *p = processor_from_component(self);
  if (!state) return kResultOk;
  p->processing_enabled = p->input_bus_active && p->output_bus_active;
  if (!(p->configured_sample_rate > 0.0f)) {
    p->processing_enabled = 0;
    return kResultOk;
  }
  engine_set_sample_rate(&p->engine, p->configured_sample_rate);
  engine_reset(&p->engine);
  return kResultOk;
}

// --- IAudioProcessor ---

// [main thread]
tresult set_bus_arrangements(void *, SpeakerArrangement *inputs, int32_t num_ins,
                             SpeakerArrangement *outputs, int32_t num_outs) {
  if (num_ins < 0 || num_outs < 0) return kInvalidArgument;
  if (num_ins == 1 && num_outs == 1 && inputs && outputs && inputs[0] == kSpeakerMono &&
      outputs[0] == kSpeakerMono)
    return kResultOk;
  return kResultFalse;
}

// [main thread]
tresult get_bus_arrangement(void *, int32_t dir, int32_t index, SpeakerArrangement *arrangement) {
  if (index != 0 || (dir != kInput && dir != kOutput) || !arrangement) return kInvalidArgument;
  *arrangement = kSpeakerMono;
  return kResultOk;
}

// [main thread]
tresult can_process_sample_size(void *, int32_t size) {
  return size == kSample32 ? kResultOk : kNotImplemented;
}

uint32_t no_samples(void *) { return 0; }

// [main thread] A rate that is not a finite positive number is refused.
tresult setup_processing(void *self, ProcessSetup *setup) {
  if (!setup) return kInvalidArgument;
  const double rate = setup->sampleRate;
  if (!(rate > 0.0) || !(rate <= double(FLT_MAX))) return kInvalidArgument;
  processor_from_audio_processor(self)->configured_sample_rate = float(rate);
  return kResultOk;
}

tresult set_processing(void *, TBool) { return kNotImplemented; }

// The first channel of the first bus that has one, or null.
float *first_channel(AudioBusBuffers *buses, int32_t count) {
  if (!buses) return nullptr;
  for (int32_t b = 0; b < count; ++b)
    if (buses[b].numChannels > 0) return buses[b].channelBuffers32 ? buses[b].channelBuffers32[0] : nullptr;
  return nullptr;
}

void write_silence(AudioBusBuffers *buses, int32_t count, uint32_t samples) {
  if (!buses) return;
  for (int32_t b = 0; b < count; ++b) {
    if (buses[b].numChannels <= 0 || !buses[b].channelBuffers32) continue;
    for (int32_t c = 0; c < buses[b].numChannels; ++c) {
      float *channel = buses[b].channelBuffers32[c];
      if (!channel) continue;
      for (uint32_t i = 0; i < samples; ++i) channel[i] = 0.0f;
    }
  }
}

// [audio thread] Allocates nothing, never waits, calls no system function.
// Sample arrays are touched only when they are 32-bit and present; a block
// without an input channel outputs silence.
tresult process(void *self, ProcessData *data) {
  if (!data) return kInvalidArgument;
  processor *p = processor_from_audio_processor(self);
  uint32_t saved = float_modes_enter();
  apply_parameter_changes(p, data, true);
  uint32_t samples = data->numSamples > 0 ? uint32_t(data->numSamples) : 0;
  if (data->symbolicSampleSize == kSample32) {
    float *input = nullptr;
    float *output = nullptr;
    if (p->processing_enabled) {
      input = first_channel(data->inputs, data->numInputs);
      output = first_channel(data->outputs, data->numOutputs);
    }
    p->input_channel = input;
    p->output_channel = output;
    if (input && output)
      engine_process(&p->engine, input, output, samples);
    else
      write_silence(data->outputs, data->numOutputs, samples);
  }
  apply_parameter_changes(p, data, false);
  _mm_setcsr((_mm_getcsr() & ~float_mode_bits) | (saved & float_mode_bits));
  return kResultOk;
}

// --- IProcessContextRequirements ---

uint32_t get_process_context_requirements(void *) { return 0; }

// --- IConnectionPoint: nothing travels through connections ---

tresult connect(void *, void *other) { return other ? kResultOk : kInvalidArgument; }
tresult disconnect(void *, void *) { return kResultOk; }
tresult notify(void *, void *) { return kResultOk; }

const IComponentVtbl component_vtbl = {
    {query_interface<0>, add_ref<0>, release<0>},
    {initialize, terminate},
    get_controller_class_id,
    not_implemented_mode,
    get_bus_count,
    get_bus_info,
    get_routing_info,
    activate_bus,
    set_active,
    processor_set_state,
    processor_get_state,
};

const IAudioProcessorVtbl audio_processor_vtbl = {
    {query_interface<1>, add_ref<1>, release<1>},
    set_bus_arrangements,
    get_bus_arrangement,
    can_process_sample_size,
    no_samples,
    setup_processing,
    set_processing,
    process,
    no_samples,
};

const IProcessContextRequirementsVtbl context_requirements_vtbl = {
    {query_interface<2>, add_ref<2>, release<2>},
    get_process_context_requirements,
};

const IConnectionPointVtbl connection_point_vtbl = {
    {query_interface<3>, add_ref<3>, release<3>},
    connect,
    disconnect,
    notify,
};

}  // namespace

processor *processor_create() {
  processor *p = static_cast<processor *>(std::calloc(1, sizeof(processor)));
  if (!p) return nullptr;
  p->component_face = &component_vtbl;
  p->audio_processor_face = &audio_processor_vtbl;
  p->context_requirements_face = &context_requirements_vtbl;
  p->connection_point_face = &connection_point_vtbl;
  p->refcount = 1;
  p->host_context = nullptr;
  return p;
}
