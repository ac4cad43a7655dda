#include <cerrno>
#include <cmath>
#include <cstring>

#include "state_archive.h"

int state_accept(const state_archive *archive, float values[6]) {
  size_t id_length = 0;
  const void *id = byte_map_find(archive->info, "id", 2, &id_length);
  if (!id || id_length != std::strlen(state_bundle_id) ||
      std::memcmp(id, state_bundle_id, id_length) != 0) {
    errno = EINVAL;
    return -1;
  }
  // All six or none: a refused state changes nothing.
  float accepted[6];
  for (int i = 0; i < 6; ++i) {
    size_t length = 0;
    const char *key = state_parameter_keys[i];
    const void *value = byte_map_find(archive->parameters, key, std::strlen(key), &length);
    if (!value || length != 4) {
      errno = EINVAL;
      return -1;
    }
    const auto *bytes = static_cast<const uint8_t *>(value);
    uint32_t bits = uint32_t{bytes[0]} | uint32_t{bytes[1]} << 8 | uint32_t{bytes[2]} << 16 |
                    uint32_t{bytes[3]} << 24;
    std::memcpy(&accepted[i], &bits, 4);
    if (std::isnan(accepted[i])) {
      errno = EINVAL;
      return -1;
    }
  }
  std::memcpy(values, accepted, sizeof accepted);
  return 0;
}
