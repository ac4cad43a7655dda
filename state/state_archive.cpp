#include "state_archive.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "tar.h"

namespace {

constexpr char state_version[] = "1.0";
constexpr char state_dsp_name[] = "dsp.tar";
constexpr char state_version_name[] = "version";
constexpr char state_info_name[] = "info.map";
constexpr char state_parameters_name[] = "parameters.map";

bool state_name_is(const void *name, size_t length, const char *text) {
  return length == std::strlen(text) && std::memcmp(name, text, length) == 0;
}

int state_copy_entry(const void *key, size_t key_length, const void *value, size_t value_length,
                     void *user) {
  return byte_map_insert(static_cast<byte_map *>(user), key, key_length, value, value_length) != 0;
}

// Copies every entry of from into to except those named in skip (null-ended).
struct state_extras_copy {
  byte_map *to;
  const char *const *skip;
};

int state_copy_extra(const void *key, size_t key_length, const void *value, size_t value_length,
                     void *user) {
  auto *copy = static_cast<state_extras_copy *>(user);
  for (const char *const *name = copy->skip; *name; ++name)
    if (state_name_is(key, key_length, *name)) return 0;
  return byte_map_insert(copy->to, key, key_length, value, value_length) != 0;
}

byte_map *state_extras_of(const byte_map *from, const char *const *skip) {
  byte_map *to = byte_map_create();
  if (!to) return nullptr;
  state_extras_copy copy = {to, skip};
  if (byte_map_for_each(from, state_copy_extra, &copy) != 0) {
    byte_map_free(to);
    return nullptr;
  }
  return to;
}

const void *state_find(const byte_map *map, const char *name, size_t *length) {
  return byte_map_find(map, name, std::strlen(name), length);
}

bool state_is_space(uint8_t c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// "1.0", then nothing but white space.
bool state_version_accepted(const uint8_t *text, size_t length) {
  if (length < 3 || std::memcmp(text, state_version, 3) != 0) return false;
  for (size_t i = 3; i < length; ++i)
    if (!state_is_space(text[i])) return false;
  return true;
}

// The inner archive's bytes, or null.
uint8_t *state_inner_write(const state_archive *archive, size_t *size) {
  uint8_t *result = nullptr;
  size_t info_size = 0, parameters_size = 0;
  uint8_t *info = map_blob_write(archive->info, &info_size);
  uint8_t *parameters = map_blob_write(archive->parameters, &parameters_size);
  byte_map *inner = byte_map_create();
  if (info && parameters && inner &&
      byte_map_insert(inner, state_version_name, std::strlen(state_version_name), state_version,
                      3) == 0 &&
      byte_map_insert(inner, state_info_name, std::strlen(state_info_name), info, info_size) == 0 &&
      byte_map_insert(inner, state_parameters_name, std::strlen(state_parameters_name), parameters,
                      parameters_size) == 0 &&
      byte_map_for_each(archive->inner_extras, state_copy_entry, inner) == 0)
    result = tar_write(inner, size);
  byte_map_free(inner);
  std::free(parameters);
  std::free(info);
  return result;
}

}  // namespace

const char state_bundle_id[] = "quenvar-skarrow";

const char *const state_parameter_keys[6] = {"drive", "tone", "heat", "mix", "volume", "bypass"};

int state_archive_init(state_archive *archive) {
  archive->version = nullptr;
  archive->info = byte_map_create();
  archive->parameters = byte_map_create();
  archive->inner_extras = byte_map_create();
  archive->outer_extras = byte_map_create();
  if (archive->info && archive->parameters && archive->inner_extras && archive->outer_extras)
    return 0;
  state_archive_free(archive);
  return -1;
}

void state_archive_free(state_archive *archive) {
  byte_map_free(archive->info);
  byte_map_free(archive->parameters);
  byte_map_free(archive->inner_extras);
  byte_map_free(archive->outer_extras);
  *archive = state_archive{};
}

uint8_t *state_archive_write(const state_archive *archive, size_t *size) {
  size_t inner_size = 0;
  uint8_t *inner = state_inner_write(archive, &inner_size);
  if (!inner) return nullptr;
  uint8_t *result = nullptr;
  byte_map *outer = byte_map_create();
  if (outer &&
      byte_map_insert(outer, state_dsp_name, std::strlen(state_dsp_name), inner, inner_size) == 0 &&
      byte_map_for_each(archive->outer_extras, state_copy_entry, outer) == 0)
    result = tar_write(outer, size);
  byte_map_free(outer);
  std::free(inner);
  return result;
}

int state_archive_read(state_archive *archive, const void *data, size_t length) {
  static const char *const inner_known[] = {state_version_name, state_info_name,
                                            state_parameters_name, nullptr};
  static const char *const outer_known[] = {state_dsp_name, nullptr};

  *archive = state_archive{};
  byte_map *outer = tar_read(data, length);
  if (!outer) return -1;
  byte_map *inner = nullptr;
  state_archive read = {};
  int fault = EINVAL;
  size_t dsp_size = 0, version_size = 0, info_size = 0, parameters_size = 0;
  const void *dsp = state_find(outer, state_dsp_name, &dsp_size);
  const void *version = nullptr, *info = nullptr, *parameters = nullptr;
  if (!dsp) goto failed;
  inner = tar_read(dsp, dsp_size);
  if (!inner) goto failed_errno;
  version = state_find(inner, state_version_name, &version_size);
  if (!version || !state_version_accepted(static_cast<const uint8_t *>(version), version_size))
    goto failed;
  info = state_find(inner, state_info_name, &info_size);
  if (!info) goto failed;
  read.info = map_blob_read(info, info_size);
  if (!read.info) goto failed_errno;
  parameters = state_find(inner, state_parameters_name, &parameters_size);
  if (!parameters) goto failed;
  read.parameters = map_blob_read(parameters, parameters_size);
  if (!read.parameters) goto failed_errno;
  read.version = state_version;
  fault = ENOMEM;
  read.inner_extras = state_extras_of(inner, inner_known);
  if (!read.inner_extras) goto failed;
  read.outer_extras = state_extras_of(outer, outer_known);
  if (!read.outer_extras) goto failed;
  byte_map_free(inner);
  byte_map_free(outer);
  *archive = read;
  return 0;

failed_errno:
  fault = errno;
failed:
  state_archive_free(&read);
  byte_map_free(inner);
  byte_map_free(outer);
  errno = fault;
  return -1;
}
