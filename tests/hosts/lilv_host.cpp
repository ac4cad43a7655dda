#include "lilv_host.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>

static LV2_URID host_map(LV2_URID_Map_Handle handle, const char *uri) {
  return static_cast<lilv_host *>(handle)->urid(uri);
}

static const char *host_unmap(LV2_URID_Unmap_Handle handle, LV2_URID urid) {
  lilv_host *host = static_cast<lilv_host *>(handle);
  return urid >= 1 && urid <= host->uris.size() ? host->uris[urid - 1].c_str() : nullptr;
}

static int host_vprintf(LV2_Log_Handle handle, LV2_URID, const char *fmt, va_list args) {
  char text[1024];
  int n = std::vsnprintf(text, sizeof text, fmt, args);
  static_cast<lilv_host *>(handle)->log_text += text;
  return n;
}

static int host_printf(LV2_Log_Handle handle, LV2_URID type, const char *fmt, ...) {
  va_list args;
  va_start(args, fmt);
  int n = host_vprintf(handle, type, fmt, args);
  va_end(args);
  return n;
}

lilv_host::lilv_host(const char *plugin_uri)
    : map{this, host_map},
      unmap{this, host_unmap},
      log{this, host_printf, host_vprintf},
      map_feature{LV2_URID__map, &map},
      unmap_feature{LV2_URID__unmap, &unmap},
      log_feature{LV2_LOG__log, &log} {
  uris.reserve(256);  // unmap hands out pointers into these strings
  // The bundle is found the way every host finds bundles; lilv's own tools
  // started from the tests inherit the same path.
  setenv("LV2_PATH", SKARROW_LV2_PATH, 1);
  world = lilv_world_new();
  lilv_world_load_all(world);  // LV2_PATH, as any host
  LilvNode *uri = lilv_new_uri(world, plugin_uri);
  plugin = lilv_plugins_get_by_uri(lilv_world_get_all_plugins(world), uri);
  lilv_node_free(uri);
}

lilv_host::~lilv_host() { lilv_world_free(world); }

LV2_URID lilv_host::urid(const char *uri) {
  for (size_t i = 0; i < uris.size(); ++i)
    if (uris[i] == uri) return LV2_URID(i + 1);
  uris.emplace_back(uri);
  return LV2_URID(uris.size());
}

std::vector<const LV2_Feature *> lilv_host::features(bool with_log) {
  std::vector<const LV2_Feature *> list{&map_feature, &unmap_feature};
  if (with_log) list.push_back(&log_feature);
  list.push_back(nullptr);
  return list;
}

lilv_host_instance::lilv_host_instance(lilv_host &host, double rate, uint32_t block,
                                       bool with_log)
    : in(block, 0.0f), out(block, 0.0f) {
  std::vector<const LV2_Feature *> features = host.features(with_log);
  instance = lilv_plugin_instantiate(host.plugin, rate, features.data());
  if (!instance) return;
  lilv_instance_connect_port(instance, 0, in.data());
  lilv_instance_connect_port(instance, 1, out.data());
  for (uint32_t i = 0; i < 6; ++i) {
    // Start at the defaults the description gives.
    const LilvPort *port = lilv_plugin_get_port_by_index(host.plugin, i + 2);
    LilvNode *def = nullptr;
    lilv_port_get_range(host.plugin, port, &def, nullptr, nullptr);
    controls[i] = def ? lilv_node_as_float(def) : 0.0f;
    lilv_node_free(def);
    lilv_instance_connect_port(instance, i + 2, &controls[i]);
  }
}

lilv_host_instance::~lilv_host_instance() {
  if (instance) lilv_instance_free(instance);
}
