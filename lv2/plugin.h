// One LV2 plug-in instance: the engine it owns, its eight ports, and the
// hand-over of parameter values between the audio thread (run) and the
// state calls (state.h).
#pragma once

#include <cstdint>

#include <lv2/core/lv2.h>
#include <lv2/log/logger.h>
#include <lv2/urid/urid.h>

#include "engine/engine.h"
#include "values_lock.h"

// Port indices; control port = parameter index + lv2_port_first_control.
enum lv2_port {
  lv2_port_audio_in = 0,
  lv2_port_audio_out = 1,
  lv2_port_first_control = 2,
  lv2_port_enabled = 7,  // bypass in the enabled sense: 1 runs the effect
  lv2_port_count = 8,
};

struct lv2_plugin {
  struct engine engine;
  const float *audio_in;
  float *audio_out;
  const float *control_ports[parameter_count];  // null: not connected
  // Last value taken from each control port, clamped and in the engine's
  // sense. Touched only by activate and run, which never overlap.
  float port_values[parameter_count];
  // Under values_lock: the values last handed to the engine, or restored
  // values still waiting for the next run.
  float applied_values[parameter_count];
  values_lock_byte values_lock;
  uint8_t synced;           // 0: a state call held the lock since the last run
  uint8_t restore_pending;  // 1: applied_values holds a restore not yet applied
  LV2_Log_Logger logger;
  LV2_URID_Map *urid_map;  // null: the host offered no map; state is refused
  LV2_URID chunk_urid;
  LV2_URID state_key_urid;
};

// The module's entry point (C linkage, exported).
LV2_SYMBOL_EXPORT const LV2_Descriptor *lv2_descriptor(uint32_t index);
