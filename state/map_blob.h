// The key/value map encoding inside the state archive: per entry in key
// order, key length and value length as 32-bit little-endian, then key and
// value bytes, records back to back.
#pragma once

#include <cstddef>
#include <cstdint>

#include "byte_map.h"

// The encoding in a malloc'd buffer (release with free()), its length in
// *size. Null for an empty map, an empty key, a key or value of 2^32 bytes or more, or when
// memory runs out.
uint8_t *map_blob_write(const byte_map *map, size_t *size);

// A new map borrowing from data, or null with errno EINVAL (truncated record,
// empty key) or ENOMEM. Zero bytes give an empty map; repeated keys are kept.
byte_map *map_blob_read(const void *data, size_t length);
