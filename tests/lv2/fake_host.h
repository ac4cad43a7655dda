// A small LV2 host for driving one plug-in instance directly: URID map, log
// capture, port buffers, and state store/retrieve that keep the property.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <lv2/core/lv2.h>
#include <lv2/log/log.h>
#include <lv2/state/state.h>
#include <lv2/urid/urid.h>

#include "plugin.h"

struct fake_host {
  std::vector<std::string> uris;  // URID n is uris[n - 1]
  LV2_URID_Map map;
  LV2_Log_Log log;
  std::string log_text;
  std::vector<LV2_URID> log_types;
  LV2_Feature map_feature;
  LV2_Feature log_feature;

  // The property last stored, and what store answers.
  bool stored = false;
  LV2_URID stored_key = 0, stored_type = 0;
  uint32_t stored_flags = 0;
  std::vector<uint8_t> stored_value;
  LV2_State_Status store_result = LV2_STATE_SUCCESS;
  // What retrieve hands back: the stored value when set, else nothing.
  bool retrieve_has_value = true;

  fake_host();
  fake_host(const fake_host &) = delete;
  fake_host &operator=(const fake_host &) = delete;

  LV2_URID urid(const char *uri);
  // A null-terminated feature list.
  std::vector<const LV2_Feature *> features(bool with_map, bool with_log);
};

// One instance with its ports connected to buffers of its own.
struct fake_instance {
  const LV2_Descriptor *descriptor;
  LV2_Handle handle = nullptr;
  std::vector<float> in, out;
  float controls[parameter_count];

  // Instantiates at the given rate; every port connected (controls at their
  // defaults in the ports' own sense) unless connect is false.
  fake_instance(const LV2_Descriptor *d, fake_host &host, double rate = 48000,
                bool with_map = true, bool with_log = true, bool connect = true,
                uint32_t block = 64);
  ~fake_instance();
  fake_instance(const fake_instance &) = delete;
  fake_instance &operator=(const fake_instance &) = delete;

  lv2_plugin *plugin() const { return static_cast<lv2_plugin *>(handle); }
  void activate() const { descriptor->activate(handle); }
  void run(uint32_t count) const { descriptor->run(handle, count); }
  void connect_control(int index, bool connected);
  const LV2_State_Interface *state() const;
  LV2_State_Status save(fake_host &host) const;
  LV2_State_Status restore(fake_host &host) const;
};

// A short test signal: a decaying mix of two sines, loud enough to clip.
std::vector<float> fake_signal(uint32_t count);

// Captures what is written to the process's standard error stream (file
// descriptor 2, shared by the module's C runtime) between begin and end.
struct stderr_capture {
  int saved = -1;
  std::string path;
  stderr_capture();
  std::string end();
  ~stderr_capture();
};
