// 8-bit texts of our own tables as the UTF-16 texts of the interface. The
// tables hold ASCII only, so each byte becomes one code unit.
#pragma once

#include <cstddef>

// Writes src and its terminating zero, cut to fit capacity units; nothing
// after the terminator is touched.
inline void text16_copy(char16_t *dst, const char *src, size_t capacity) {
  size_t i = 0;
  for (; src[i] && i + 1 < capacity; ++i) dst[i] = char16_t(static_cast<unsigned char>(src[i]));
  dst[i] = 0;
}
