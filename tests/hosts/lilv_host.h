// A small host built on lilv: one world that found the installed bundles
// through LV2_PATH, a URID map and unmap, a log that records, and an instance
// with its ports connected to buffers of its own.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <lilv/lilv.h>
#include <lv2/log/log.h>
#include <lv2/urid/urid.h>

struct lilv_host {
  LilvWorld *world = nullptr;
  const LilvPlugin *plugin = nullptr;  // the plug-in under test, null if not found
  std::vector<std::string> uris;
  LV2_URID_Map map;
  LV2_URID_Unmap unmap;
  LV2_Log_Log log;
  std::string log_text;
  LV2_Feature map_feature, unmap_feature, log_feature;

  explicit lilv_host(const char *plugin_uri);
  ~lilv_host();
  lilv_host(const lilv_host &) = delete;
  lilv_host &operator=(const lilv_host &) = delete;

  LV2_URID urid(const char *uri);
  std::vector<const LV2_Feature *> features(bool with_log);
  LilvNode *uri_node(const char *uri) const { return lilv_new_uri(world, uri); }
};

struct lilv_host_instance {
  LilvInstance *instance = nullptr;
  std::vector<float> in, out;
  float controls[6];  // ports 2..7, the ports' own sense

  lilv_host_instance(lilv_host &host, double rate, uint32_t block, bool with_log = true);
  ~lilv_host_instance();
  lilv_host_instance(const lilv_host_instance &) = delete;
  lilv_host_instance &operator=(const lilv_host_instance &) = delete;
};
