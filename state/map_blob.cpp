#include "map_blob.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace {

struct map_blob_writer {
  uint8_t *buffer;
  size_t length;
};

void map_blob_put_u32(uint8_t *at, uint64_t value) {
  for (int i = 0; i < 4; ++i) at[i] = static_cast<uint8_t>(value >> (8 * i));
}

uint32_t map_blob_get_u32(const uint8_t *at) {
  return uint32_t{at[0]} | uint32_t{at[1]} << 8 | uint32_t{at[2]} << 16 | uint32_t{at[3]} << 24;
}

int map_blob_write_record(const void *key, size_t key_length, const void *value,
                          size_t value_length, void *user) {
  auto *writer = static_cast<map_blob_writer *>(user);
  // Refuse what the reader would not give back: lengths beyond 32 bits, an
  // empty key.
  if (key_length == 0 || key_length > UINT32_MAX || value_length > UINT32_MAX) return 1;
  size_t grow = 8 + key_length + value_length;
  auto *buffer = static_cast<uint8_t *>(std::realloc(writer->buffer, writer->length + grow));
  if (!buffer) return 1;
  writer->buffer = buffer;
  uint8_t *record = buffer + writer->length;
  writer->length += grow;
  map_blob_put_u32(record, key_length);
  map_blob_put_u32(record + 4, value_length);
  if (key_length) std::memcpy(record + 8, key, key_length);
  if (value_length) std::memcpy(record + 8 + key_length, value, value_length);
  return 0;
}

}  // namespace

uint8_t *map_blob_write(const byte_map *map, size_t *size) {
  map_blob_writer writer = {nullptr, 0};
  if (byte_map_for_each(map, map_blob_write_record, &writer) != 0 || !writer.buffer) {
    std::free(writer.buffer);
    return nullptr;
  }
  *size = writer.length;
  return writer.buffer;
}

byte_map *map_blob_read(const void *data, size_t length) {
  byte_map *map = byte_map_create();
  if (!map) {
    errno = ENOMEM;
    return nullptr;
  }
  const auto *bytes = static_cast<const uint8_t *>(data);
  size_t offset = 0;
  int fault = 0;
  while (offset < length) {
    if (length - offset < 8) {
      fault = EINVAL;
      break;
    }
    uint64_t key_length = map_blob_get_u32(bytes + offset);
    uint64_t value_length = map_blob_get_u32(bytes + offset + 4);
    size_t left = length - offset - 8;
    if (key_length == 0 || key_length > left || value_length > left - key_length) {
      fault = EINVAL;
      break;
    }
    const uint8_t *key = bytes + offset + 8;
    if (byte_map_insert(map, key, key_length, key + key_length, value_length) != 0) {
      fault = ENOMEM;
      break;
    }
    offset += 8 + key_length + value_length;
  }
  if (fault) {
    byte_map_free(map);
    errno = fault;
    return nullptr;
  }
  return map;
}
