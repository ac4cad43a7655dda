// An instance's saved state: an outer tar archive holding "dsp.tar", an inner
// archive with "version" ("1.0"), "info.map" and "parameters.map". Entries
// not recognised at either level are kept and written back.
#pragma once

#include <cstddef>
#include <cstdint>

#include "byte_map.h"
#include "map_blob.h"

struct state_archive {
  const char *version;  // "1.0" after a successful read; the writer always writes "1.0"
  byte_map *info;
  byte_map *parameters;
  byte_map *inner_extras;  // inner entries other than version, info.map, parameters.map
  byte_map *outer_extras;  // outer entries other than dsp.tar
};

// The bundle identifier stored as "id".
extern const char state_bundle_id[];  // "quenvar-skarrow"

// Keys of the six parameters in index order: drive, tone, heat, mix, volume, bypass.
extern const char *const state_parameter_keys[6];

// Creates the four empty maps. Returns 0, or -1 when memory runs out (then
// every field is null).
int state_archive_init(state_archive *archive);

// Frees the four maps (null ones allowed), not the borrowed bytes, and
// nulls the fields.
void state_archive_free(state_archive *archive);

// The blob in a malloc'd buffer (release with free()), its length in *size;
// null on any failure (memory, a name of 100 bytes or more, an empty info or
// parameters map). The archive is not changed.
uint8_t *state_archive_write(const state_archive *archive, size_t *size);

// Fills the archive from a blob; the maps borrow from data, which must
// outlive them. What the record held before is overwritten, not freed.
// Returns 0, or -1 with errno EINVAL (malformed) or ENOMEM; on failure every
// field is null.
int state_archive_read(state_archive *archive, const void *data, size_t length);

// The rule applied to a read archive before any value is used: "id" equals
// state_bundle_id exactly and each of the six parameters is a 4-byte float
// that is not NaN (infinities pass; callers clamp). On success stores the six
// plain values in index order and returns 0; otherwise returns -1 with errno
// EINVAL and leaves values untouched.
int state_accept(const state_archive *archive, float values[6]);
