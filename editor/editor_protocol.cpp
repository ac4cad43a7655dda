#include "editor_protocol.h"

#include <cstdio>
#include <cstring>
#include <cwchar>

namespace {

bool is_space(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

int hex_digit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// One number as "%x" reads it: white space skipped, optional sign and 0x
// prefix, digits up to the first non-digit, wrapping at 32 bits.
bool read_hex(const char*& p, uint32_t& out) {
  while (is_space(*p)) ++p;
  bool negative = false;
  if (*p == '+' || *p == '-') negative = *p++ == '-';
  if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X') && hex_digit(p[2]) >= 0) p += 2;
  if (hex_digit(*p) < 0) return false;
  uint32_t value = 0;
  for (int d; (d = hex_digit(*p)) >= 0; ++p) value = value << 4 | static_cast<uint32_t>(d);
  out = negative ? 0u - value : value;
  return true;
}

}  // namespace

editor_page_message editor_protocol_read(const char* message, uint64_t count) {
  editor_page_message m{editor_page_ignored, 0, 0.0f, nullptr};
  if (!message || !message[0]) return m;
  char kind = message[0];
  if (kind == 'g') {
    m.kind = editor_page_get_all;
    return m;
  }
  // The second character is a separator, not examined; it may be the end.
  if (!message[1]) return m;
  const char* args = message + 2;
  if (kind == 'm') {
    m.kind = editor_page_text;
    m.text = args;
    return m;
  }
  editor_page_kind numbered = kind == 'b'   ? editor_page_begin
                              : kind == 's' ? editor_page_set
                              : kind == 'e' ? editor_page_end
                                            : editor_page_ignored;
  if (numbered == editor_page_ignored) return m;
  uint32_t index = 0, bits = 0;
  if (!read_hex(args, index) || !read_hex(args, bits) || index >= count) return m;
  m.kind = numbered;
  m.index = index;
  memcpy(&m.value, &bits, sizeof bits);
  return m;
}

void editor_protocol_format_value(wchar_t (&out)[editor_protocol_value_chars], uint32_t index,
                                  float value) {
  uint32_t bits;
  memcpy(&bits, &value, sizeof bits);
  swprintf(out, editor_protocol_value_chars, L"s %08x %08x", index, bits);
}
