#include "plugin.h"

#include <cmath>
#include <cstring>
#include <new>

#include <lv2/atom/atom.h>
#include <lv2/core/lv2_util.h>
#include <lv2/state/state.h>

#include "engine/float_modes.h"
#include "lv2_uris.h"
#include "state.h"

// A control port's raw value as the engine takes it: clamped into the
// parameter's range, the enabled port turned into bypass (above 0 runs the
// effect). A value that is not a number holds the previous one, except on the
// enabled port, where it bypasses.
static float lv2_plugin_port_value(int index, float raw, float previous) {
  if (index == parameter_bypass) return raw > 0.0f ? 0.0f : 1.0f;
  // The curves are defined only for finite values in range.
  if (std::isnan(raw)) return previous;
  return parameter_clamp(index, raw);
}

// [instantiation] Never fails for a missing map: audio works, state is refused.
// Fails (null) only without memory or for a sample rate no engine can run at.
static LV2_Handle plugin_instantiate(const LV2_Descriptor *, double sample_rate, const char *,
                                     const LV2_Feature *const *features) {
  // The engine's rate-dependent design needs a finite rate above 0.
  float rate = float(sample_rate);
  if (!(rate > 0.0f) || !std::isfinite(rate)) return nullptr;
  lv2_plugin *p = new (std::nothrow) lv2_plugin();
  if (!p) return nullptr;

  LV2_Log_Log *log = nullptr;
  const char *missing = lv2_features_query(features, LV2_LOG__log, &log, false, LV2_URID__map,
                                           &p->urid_map, true, nullptr);
  lv2_log_logger_init(&p->logger, p->urid_map, log);
  if (missing) lv2_log_error(&p->logger, "Missing feature <%s>\n", missing);
  if (p->urid_map) {
    p->chunk_urid = p->urid_map->map(p->urid_map->handle, LV2_ATOM__Chunk);
    p->state_key_urid = p->urid_map->map(p->urid_map->handle, SKARROW_LV2_STATE_KEY);
  }

  engine_init(&p->engine);
  engine_set_sample_rate(&p->engine, rate);

  // State calls may come before the first activation: start from the defaults.
  for (int i = 0; i < parameter_count; ++i) {
    p->port_values[i] = float(parameter_table[i].default_value);
    p->applied_values[i] = p->port_values[i];
  }
  p->synced = 1;
  return p;
}

// [instantiation or audio thread, never during run]
static void plugin_connect_port(LV2_Handle instance, uint32_t port, void *data) {
  lv2_plugin *p = static_cast<lv2_plugin *>(instance);
  if (port == lv2_port_audio_in) {
    p->audio_in = static_cast<const float *>(data);
  } else if (port == lv2_port_audio_out) {
    p->audio_out = static_cast<float *>(data);
  } else if (port < lv2_port_count) {
    p->control_ports[port - lv2_port_first_control] = static_cast<const float *>(data);
  }
}

// [instantiation] Loads every control value (or default) and resets the engine,
// so processing starts where the values say, without a fade.
static void plugin_activate(LV2_Handle instance) {
  lv2_plugin *p = static_cast<lv2_plugin *>(instance);
  // A state call may be running; activation may wait for it.
  values_lock_take(p->values_lock);
  // A restore that no run has applied yet stands in for the unconnected ports;
  // connected ports win over it, as they do in run.
  if (p->restore_pending) {
    for (int i = 0; i < parameter_count; ++i) p->port_values[i] = p->applied_values[i];
  }
  for (int i = 0; i < parameter_count; ++i) {
    if (p->control_ports[i]) {
      p->port_values[i] = lv2_plugin_port_value(i, *p->control_ports[i], p->port_values[i]);
    } else if (!p->restore_pending) {
      p->port_values[i] = float(parameter_table[i].default_value);
    }
    engine_set_parameter(&p->engine, i, p->port_values[i]);
    p->applied_values[i] = p->port_values[i];
  }
  p->synced = 1;
  p->restore_pending = 0;
  values_lock_release(p->values_lock);
  engine_reset(&p->engine);
}

static bool differs(float a, float b) { return !(a == b); }

// [audio thread] Allocates nothing, never waits, calls no host function.
static void plugin_run(LV2_Handle instance, uint32_t sample_count) {
  lv2_plugin *p = static_cast<lv2_plugin *>(instance);
  uint32_t saved_modes = float_modes_enter();

  bool locked = values_lock_try(p->values_lock);
  if (locked && !p->synced) {
    if (p->restore_pending) {
      for (int i = 0; i < parameter_count; ++i) {
        p->port_values[i] = p->applied_values[i];
        engine_set_parameter(&p->engine, i, p->applied_values[i]);
      }
    } else {
      for (int i = 0; i < parameter_count; ++i) {
        if (differs(p->port_values[i], p->applied_values[i])) {
          p->applied_values[i] = p->port_values[i];
          engine_set_parameter(&p->engine, i, p->port_values[i]);
        }
      }
    }
  }
  if (locked) {
    p->synced = 1;
    p->restore_pending = 0;
  }

  for (int i = 0; i < parameter_count; ++i) {
    if (!p->control_ports[i]) continue;
    float value = lv2_plugin_port_value(i, *p->control_ports[i], p->port_values[i]);
    if (!differs(value, p->port_values[i])) continue;
    p->port_values[i] = value;
    // Without the lock the change waits: whoever held it cleared synced.
    if (locked) {
      p->applied_values[i] = value;
      engine_set_parameter(&p->engine, i, value);
    }
  }
  if (locked) values_lock_release(p->values_lock);

  engine_process(&p->engine, p->audio_in, p->audio_out, sample_count);
  float_modes_leave(saved_modes);
}

// [instantiation] The engine owns no memory of its own.
static void plugin_cleanup(LV2_Handle instance) { delete static_cast<lv2_plugin *>(instance); }

// [any thread]
static const void *plugin_extension_data(const char *uri) {
  if (std::strcmp(uri, LV2_STATE__interface) == 0) return &lv2_state_interface;
  return nullptr;
}

static const LV2_Descriptor plugin_descriptor = {
    SKARROW_LV2_URI,     plugin_instantiate, plugin_connect_port, plugin_activate,
    plugin_run,          nullptr,            plugin_cleanup,      plugin_extension_data,
};

LV2_SYMBOL_EXPORT const LV2_Descriptor *lv2_descriptor(uint32_t index) {
  return index == 0 ? &plugin_descriptor : nullptr;
}
