#include "state.h"

#include <cstdlib>

#include "lv2_uris.h"
#include "plugin.h"
#include "state/state_blob.h"

// [state thread] Holds the lock only to copy the engine's values; the blob is
// built outside it, so run is never kept from the engine for long.
static LV2_State_Status state_save(LV2_Handle instance, LV2_State_Store_Function store,
                                   LV2_State_Handle handle, uint32_t, const LV2_Feature *const *) {
  lv2_plugin *p = static_cast<lv2_plugin *>(instance);
  if (!p->urid_map) {
    lv2_log_error(&p->logger, "Host is trying to store state but didn't provide URID map\n");
    return LV2_STATE_ERR_UNKNOWN;
  }

  float values[parameter_count];
  values_lock_take(p->values_lock);
  // The next run compares every port with what the engine holds, so a port
  // change that arrived while we held the lock still gets through.
  p->synced = 0;
  for (int i = 0; i < parameter_count; ++i) values[i] = p->engine.parameter_values[i];
  values_lock_release(p->values_lock);

  size_t size = 0;
  uint8_t *blob = state_blob_save(values, p->engine.sample_rate, "lv2", &size);
  if (!blob) return LV2_STATE_ERR_UNKNOWN;
  LV2_State_Status stored = store(handle, p->state_key_urid, blob, size, p->chunk_urid,
                                  LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE);
  std::free(blob);
  return stored == LV2_STATE_SUCCESS ? LV2_STATE_SUCCESS : LV2_STATE_ERR_UNKNOWN;
}

// [state thread] The engine is left alone: the next run that gets the lock
// hands the restored values over, and connected ports that differ win.
static LV2_State_Status state_restore(LV2_Handle instance, LV2_State_Retrieve_Function retrieve,
                                      LV2_State_Handle handle, uint32_t,
                                      const LV2_Feature *const *) {
  lv2_plugin *p = static_cast<lv2_plugin *>(instance);
  if (!p->urid_map) {
    lv2_log_error(&p->logger, "Host is trying to restore state but didn't provide URID map\n");
    return LV2_STATE_ERR_UNKNOWN;
  }

  size_t size = 0;
  uint32_t type = 0, flags = 0;
  const void *data = retrieve(handle, p->state_key_urid, &size, &type, &flags);
  if (!data) {
    lv2_log_error(&p->logger, "Cannot restore state since property <%s> could not be retrieved\n",
                  SKARROW_LV2_STATE_KEY);
    return LV2_STATE_ERR_NO_PROPERTY;
  }

  float values[parameter_count];
  if (state_blob_load(data, size, values) != 0) return LV2_STATE_ERR_UNKNOWN;
  for (int i = 0; i < parameter_bypass; ++i) values[i] = parameter_clamp(i, values[i]);
  values[parameter_bypass] = values[parameter_bypass] > 0.0f ? 1.0f : 0.0f;

  values_lock_take(p->values_lock);
  p->synced = 0;
  p->restore_pending = 1;
  for (int i = 0; i < parameter_count; ++i) p->applied_values[i] = values[i];
  values_lock_release(p->values_lock);
  return LV2_STATE_SUCCESS;
}

const LV2_State_Interface lv2_state_interface = {state_save, state_restore};
