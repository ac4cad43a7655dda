#include "state_blob.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "state_archive.h"

#ifndef STATE_PLATFORM
#error "STATE_PLATFORM names the platform stored in every blob"
#endif

namespace {

void state_blob_put_u32(uint8_t out[4], uint32_t value) {
  for (int i = 0; i < 4; ++i) out[i] = static_cast<uint8_t>(value >> (8 * i));
}

void state_blob_put_float(uint8_t out[4], float value) {
  uint32_t bits;
  std::memcpy(&bits, &value, 4);
  state_blob_put_u32(out, bits);
}

bool state_blob_insert(byte_map *map, const char *key, const void *value, size_t length) {
  return byte_map_insert(map, key, std::strlen(key), value, length) == 0;
}

bool state_blob_insert_text(byte_map *map, const char *key, const char *text) {
  return state_blob_insert(map, key, text, std::strlen(text));
}

}  // namespace

uint8_t *state_blob_save(const float values[6], float sample_rate, const char *format,
                         size_t *size) {
  // The maps borrow these bytes until the blob is written. Version 1.1.2, build 1.
  uint8_t version_major[4], version_minor[4], version_revision[4], version_build[4], rate[4];
  uint8_t parameter_bytes[6][4];
  state_blob_put_u32(version_major, 1);
  state_blob_put_u32(version_minor, 1);
  state_blob_put_u32(version_revision, 2);
  state_blob_put_u32(version_build, 1);
  state_blob_put_float(rate, sample_rate);
  for (int i = 0; i < 6; ++i) state_blob_put_float(parameter_bytes[i], values[i]);

  state_archive archive;
  if (state_archive_init(&archive) != 0) return nullptr;
  byte_map *info = archive.info;
  bool built = state_blob_insert_text(info, "id", state_bundle_id) &&
               state_blob_insert(info, "version_major", version_major, 4) &&
               state_blob_insert(info, "version_minor", version_minor, 4) &&
               state_blob_insert(info, "version_revision", version_revision, 4) &&
               state_blob_insert(info, "version_build", version_build, 4) &&
               state_blob_insert_text(info, "format", format) &&
               state_blob_insert_text(info, "platform", STATE_PLATFORM) &&
               state_blob_insert(info, "sample_rate", rate, 4);
  for (int i = 0; built && i < 6; ++i)
    built = state_blob_insert(archive.parameters, state_parameter_keys[i], parameter_bytes[i], 4);
  uint8_t *blob = built ? state_archive_write(&archive, size) : nullptr;
  state_archive_free(&archive);
  return blob;
}

int state_blob_load(const void *data, size_t size, float values[6]) {
  state_archive archive;
  if (state_archive_read(&archive, data, size) != 0) return -1;
  int result = state_accept(&archive, values);
  int fault = errno;
  state_archive_free(&archive);
  errno = fault;
  return result;
}
