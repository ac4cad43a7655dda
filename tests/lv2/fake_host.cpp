#include "fake_host.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <fcntl.h>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

static LV2_URID host_map(LV2_URID_Map_Handle handle, const char *uri) {
  return static_cast<fake_host *>(handle)->urid(uri);
}

static int host_vprintf(LV2_Log_Handle handle, LV2_URID type, const char *fmt, va_list args) {
  fake_host *host = static_cast<fake_host *>(handle);
  char text[1024];
  int n = std::vsnprintf(text, sizeof text, fmt, args);
  host->log_text += text;
  host->log_types.push_back(type);
  return n;
}

static int host_printf(LV2_Log_Handle handle, LV2_URID type, const char *fmt, ...) {
  va_list args;
  va_start(args, fmt);
  int n = host_vprintf(handle, type, fmt, args);
  va_end(args);
  return n;
}

fake_host::fake_host()
    : map{this, host_map},
      log{this, host_printf, host_vprintf},
      map_feature{LV2_URID__map, &map},
      log_feature{LV2_LOG__log, &log} {
  // store copies without allocating, so out-of-memory tests hit only the plug-in.
  stored_value.reserve(1 << 16);
}

LV2_URID fake_host::urid(const char *uri) {
  for (size_t i = 0; i < uris.size(); ++i)
    if (uris[i] == uri) return LV2_URID(i + 1);
  uris.emplace_back(uri);
  return LV2_URID(uris.size());
}

std::vector<const LV2_Feature *> fake_host::features(bool with_map, bool with_log) {
  std::vector<const LV2_Feature *> list;
  if (with_log) list.push_back(&log_feature);
  if (with_map) list.push_back(&map_feature);
  list.push_back(nullptr);
  return list;
}

static LV2_State_Status host_store(LV2_State_Handle handle, uint32_t key, const void *value,
                                   size_t size, uint32_t type, uint32_t flags) {
  fake_host *host = static_cast<fake_host *>(handle);
  host->stored = true;
  host->stored_key = key;
  host->stored_type = type;
  host->stored_flags = flags;
  const uint8_t *bytes = static_cast<const uint8_t *>(value);
  host->stored_value.assign(bytes, bytes + size);
  return host->store_result;
}

static const void *host_retrieve(LV2_State_Handle handle, uint32_t key, size_t *size,
                                 uint32_t *type, uint32_t *flags) {
  fake_host *host = static_cast<fake_host *>(handle);
  if (!host->retrieve_has_value || key != host->stored_key) return nullptr;
  static const uint8_t nothing = 0;  // a value of 0 bytes is still a value
  *size = host->stored_value.size();
  *type = host->stored_type;
  *flags = host->stored_flags;
  return host->stored_value.empty() ? &nothing : host->stored_value.data();
}

fake_instance::fake_instance(const LV2_Descriptor *d, fake_host &host, double rate,
                             bool with_map, bool with_log, bool connect, uint32_t block)
    : descriptor(d), in(fake_signal(block)), out(block, 0.0f) {
  for (int i = 0; i < parameter_count; ++i)
    controls[i] = i == parameter_bypass ? 1.0f : float(parameter_table[i].default_value);
  std::vector<const LV2_Feature *> features = host.features(with_map, with_log);
  handle = d->instantiate(d, rate, "/nowhere/", features.data());
  if (!handle || !connect) return;
  d->connect_port(handle, lv2_port_audio_in, in.data());
  d->connect_port(handle, lv2_port_audio_out, out.data());
  for (int i = 0; i < parameter_count; ++i) connect_control(i, true);
}

fake_instance::~fake_instance() {
  if (handle) descriptor->cleanup(handle);
}

void fake_instance::connect_control(int index, bool connected) {
  descriptor->connect_port(handle, uint32_t(lv2_port_first_control + index),
                           connected ? &controls[index] : nullptr);
}

const LV2_State_Interface *fake_instance::state() const {
  return static_cast<const LV2_State_Interface *>(descriptor->extension_data(LV2_STATE__interface));
}

LV2_State_Status fake_instance::save(fake_host &host) const {
  return state()->save(handle, host_store, &host, 0, nullptr);
}

LV2_State_Status fake_instance::restore(fake_host &host) const {
  return state()->restore(handle, host_retrieve, &host, 0, nullptr);
}

std::vector<float> fake_signal(uint32_t count) {
  const double pi = 3.14159265358979323846;
  std::vector<float> s(count);
  for (uint32_t i = 0; i < count; ++i) {
    double t = double(i) / 48000.0;
    s[i] = float((0.6 * std::sin(2 * pi * 220 * t) + 0.3 * std::sin(2 * pi * 3150 * t)) *
                 std::exp(-t * 4));
  }
  return s;
}

stderr_capture::stderr_capture() {
  char name[] = "lv2_stderr_XXXXXX";
#ifdef _WIN32
  path = std::string(_mktemp(name)) + ".txt";
#else
  int fd0 = mkstemp(name);
  if (fd0 >= 0) close(fd0);
  path = name;
#endif
  std::fflush(stderr);
  saved = dup(2);
  int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  dup2(fd, 2);
  close(fd);
}

std::string stderr_capture::end() {
  if (saved < 0) return {};
  std::fflush(stderr);
  dup2(saved, 2);
  close(saved);
  saved = -1;
  std::string text;
  if (FILE *f = std::fopen(path.c_str(), "rb")) {
    char buffer[512];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) text.append(buffer, n);
    std::fclose(f);
  }
  std::remove(path.c_str());
  // The stream is in text mode: Windows writes a line end as CR LF.
  for (size_t at; (at = text.find("\r\n")) != std::string::npos;) text.erase(at, 1);
  return text;
}

stderr_capture::~stderr_capture() { end(); }
