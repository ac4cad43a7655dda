#include "tar.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace {

constexpr size_t tar_block = 512;
constexpr size_t tar_name_length = 100;
constexpr uint64_t tar_content_limit = uint64_t{1} << 31;

size_t tar_padded(size_t length) { return (length + tar_block - 1) / tar_block * tar_block; }

struct tar_writer {
  uint8_t *buffer;
  size_t length;
};

// value in octal, at least digits wide with leading zeros (printf's "%0*o"),
// and a zero byte.
void tar_octal(char *out, unsigned long long value, size_t digits) {
  char reversed[24];
  size_t n = 0;
  do {
    reversed[n++] = static_cast<char>('0' + (value & 7));
    value >>= 3;
  } while (value);
  while (n < digits) reversed[n++] = '0';
  for (size_t i = 0; i < n; ++i) out[i] = reversed[n - 1 - i];
  out[n] = 0;
}

// Each byte counts as signed, and the sum keeps its low 18 bits after every
// fourth byte: for plain ASCII names the ordinary ustar checksum.
unsigned long long tar_checksum(const uint8_t *header) {
  unsigned long long sum = 0;
  for (size_t i = 0; i < tar_block; ++i) {
    sum += static_cast<unsigned long long>(static_cast<long long>(static_cast<int8_t>(header[i])));
    if (i % 4 == 3) sum &= 0x3FFFF;
  }
  return sum;
}

int tar_write_entry(const void *key, size_t key_length, const void *value, size_t value_length,
                    void *user) {
  auto *writer = static_cast<tar_writer *>(user);
  // A name the reader would cut short (empty, an inner zero byte, no room
  // for its terminator) would not come back as written: refuse it.
  if (key_length == 0 || key_length >= tar_name_length || std::memchr(key, 0, key_length)) {
    return 1;
  }
  // The reader refuses contents of 2^31 bytes or more; so does the writer.
  size_t grow = tar_block + tar_padded(value_length);
  if (value_length >= tar_content_limit || grow > SIZE_MAX - 2 * tar_block - writer->length) {
    return 1;
  }
  auto *buffer = static_cast<uint8_t *>(std::realloc(writer->buffer, writer->length + grow));
  if (!buffer) {
    return 1;
  }
  writer->buffer = buffer;
  uint8_t *header = buffer + writer->length;
  writer->length += grow;
  std::memset(header, 0, grow);

  char *text = reinterpret_cast<char *>(header);
  std::memcpy(header, key, key_length);
  std::memcpy(text + 100, "0000644", 8);
  std::memcpy(text + 108, "0000000", 8);
  std::memcpy(text + 116, "0000000", 8);
  tar_octal(text + 124, value_length, 11);  // below 2^31: eleven digits
  std::memcpy(text + 136, "00000000000", 12);
  std::memset(text + 148, ' ', 8);
  header[156] = '0';
  std::memcpy(text + 257, "ustar", 6);
  std::memcpy(text + 263, "00", 2);
  // Digits and their zero from 148 (at most six: the sum keeps 18 bits), then
  // byte 154 zero; 155 keeps its space.
  tar_octal(text + 148, tar_checksum(header), 5);
  header[154] = 0;
  if (value_length) std::memcpy(header + tar_block, value, value_length);
  return 0;
}

}  // namespace

uint8_t *tar_write(const byte_map *map, size_t *size) {
  tar_writer writer = {nullptr, 0};
  if (byte_map_for_each(map, tar_write_entry, &writer) == 0) {
    auto *buffer = static_cast<uint8_t *>(std::realloc(writer.buffer, writer.length + 2 * tar_block));
    if (buffer) {
      std::memset(buffer + writer.length, 0, 2 * tar_block);
      *size = writer.length + 2 * tar_block;
      return buffer;
    }
  }
  std::free(writer.buffer);
  return nullptr;
}

// 0, or the errno value of the first fault.
static int tar_read_entries(byte_map *map, const uint8_t *bytes, size_t length) {
  size_t offset = 0;
  while (offset < length) {
    const uint8_t *header = bytes + offset;
    if (header[0] == 0) break;  // end marker; what follows is not examined
    if (length - offset < tar_block) return EINVAL;
    size_t name_length = 0;
    while (name_length < tar_name_length && header[name_length] != 0) ++name_length;
    if (header[135] != 0) return EINVAL;
    uint64_t content_length = 0;
    for (size_t i = 124; i < 135; ++i) {
      if (header[i] < '0' || header[i] > '7') return EINVAL;
      content_length = content_length * 8 + (header[i] - '0');
    }
    if (content_length >= tar_content_limit) return EINVAL;
    if (content_length > length - offset - tar_block) return EINVAL;
    if (byte_map_insert(map, header, name_length, header + tar_block, content_length) != 0)
      return ENOMEM;
    // The padding after the last content may be missing.
    size_t step = tar_block + tar_padded(content_length);
    if (step >= length - offset) break;
    offset += step;
  }
  return 0;
}

byte_map *tar_read(const void *data, size_t length) {
  byte_map *map = byte_map_create();
  if (!map) {
    errno = ENOMEM;  // every null carries its reason
    return nullptr;
  }
  int fault = tar_read_entries(map, static_cast<const uint8_t *>(data), length);
  if (fault) {
    byte_map_free(map);
    errno = fault;
    return nullptr;
  }
  return map;
}
