// The POSIX ustar layout for regular files with short names: the byte_map of
// entry names to contents, as archive bytes and back.
#pragma once

#include <cstddef>
#include <cstdint>

#include "byte_map.h"

// The archive of every entry in key order followed by the two zero blocks, in
// a malloc'd buffer (release with free()) whose length goes to *size. Null
// when a name is empty, 100 bytes or longer, or holds a zero byte, or a content
// is 2^31 bytes or longer (the reader could not give them back), or when
// memory runs out. The map is not changed.
uint8_t *tar_write(const byte_map *map, size_t *size);

// The entries of an archive as a new map borrowing from data (which must
// outlive it; release with byte_map_free). Null with errno EINVAL when the
// archive is malformed or ENOMEM when memory runs out. Only names and sizes
// are looked at.
byte_map *tar_read(const void *data, size_t length);
