#include <cstdlib>

#include "parameter_conversion.h"
#include "processor.h"
#include "state/state_blob.h"
#include "state_transfer.h"
#include "processor_values_lock.h"

namespace {

// Whoever takes the lock for a state call clears synced, so the next block
// reconciles host and applied values.
void lock_for_state(void *context) {
  processor *p = static_cast<processor *>(context);
  values_lock_take(&p->values_lock);
  p->synced = 0;
}

void unlock_for_state(void *context) { values_lock_release(&static_cast<processor *>(context)->values_lock); }

// The engine receives the value at the next block, on the audio thread.
void set_restored_value(void *context, int index, float value) {
  processor *p = static_cast<processor *>(context);
  p->applied_values[index] = float(parameter_snap_clamp(index, value));
  p->restore_pending = 1;
}

}  // namespace

// [non-audio thread]
tresult processor_set_state(void *self, IBStream *stream) {
  if (!stream) return kResultFalse;
  uint8_t *blob = nullptr;
  size_t size = 0;
  if (read_whole_stream(stream, &blob, &size) != 0) return kResultFalse;
  const state_restore_target target = {processor_from_component(self), lock_for_state, unlock_for_state,
                                       set_restored_value};
  const int restored = state_restore(blob, size, &target);
  std::free(blob);
  return restored == 0 ? kResultOk : kResultFalse;
}

// [non-audio thread] The values come from the engine: a restored state still
// waiting for the next block is not what this reports.
tresult processor_get_state(void *self, IBStream *stream) {
  if (!stream) return kResultFalse;
  processor *p = processor_from_component(self);
  float values[parameter_count];
  lock_for_state(p);
  for (int i = 0; i < parameter_count; ++i) values[i] = p->engine.parameter_values[i];
  const float sample_rate = p->engine.sample_rate;
  unlock_for_state(p);
  size_t size = 0;
  uint8_t *blob = state_blob_save(values, sample_rate, "vst3", &size);
  if (!blob) return kResultFalse;
  const int written = write_whole_stream(stream, blob, size);
  std::free(blob);
  return written == 0 ? kResultOk : kResultFalse;
}
