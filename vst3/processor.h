// The audio processor: one object answering as IComponent, IAudioProcessor,
// IProcessContextRequirements and IConnectionPoint, owning one engine.
#pragma once

#include <cstdint>

#include "abi_audio_processor.h"
#include "abi_component.h"
#include "abi_connection_point.h"
#include "engine/engine.h"

struct processor {
  // Faces, one pointer after another; a function reached through a face
  // steps back over the faces before it to find the object.
  const IComponentVtbl *component_face;  // also FUnknown and IPluginBase
  const IAudioProcessorVtbl *audio_processor_face;
  const IProcessContextRequirementsVtbl *context_requirements_face;
  const IConnectionPointVtbl *connection_point_face;
  int32_t refcount;
  FUnknown *host_context;  // not counted
  struct engine engine;
  float configured_sample_rate;  // from setupProcessing; 0 until then
  // Guarded by values_lock, except that the audio thread writes host_values
  // without it when it finds the lock taken.
  float host_values[parameter_count];     // latest plain values from the host
  float applied_values[parameter_count];  // given to the engine, or a restored state not yet given
  uint8_t values_lock;
  uint8_t synced;           // host_values and applied_values reconciled since the last state call
  uint8_t restore_pending;  // applied_values hold a restored state the engine has not received
  const float *input_channel;
  float *output_channel;
  uint8_t processing_enabled;
  uint8_t input_bus_active;
  uint8_t output_bus_active;
};

// A new processor with reference count 1, or null when memory runs out.
// Everything else is set up by initialize.
processor *processor_create();

inline processor *processor_from_component(void *self) { return static_cast<processor *>(self); }
inline processor *processor_from_audio_processor(void *self) {
  return reinterpret_cast<processor *>(static_cast<char *>(self) - 1 * sizeof(void *));
}

// [audio thread] Reconciles values after a state call and takes the block's
// parameter points: the first point at offset 0 when at_start, the last point
// after offset 0 otherwise.
void apply_parameter_changes(processor *p, const ProcessData *data, bool at_start);

// The state functions of the IComponent face.
tresult processor_get_state(void *self, IBStream *stream);
tresult processor_set_state(void *self, IBStream *stream);
