#include "editor_protocol.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

float from_bits(uint32_t bits) {
  float value;
  memcpy(&value, &bits, sizeof value);
  return value;
}

uint32_t bits_of(float value) {
  uint32_t bits;
  memcpy(&bits, &value, sizeof bits);
  return bits;
}

struct read_case {
  const char* message;
  editor_page_kind kind;
  uint32_t index;
  uint32_t value_bits;
  const char* text;
};

TEST(EditorProtocol, ReadsPageMessages) {
  const read_case cases[] = {
      {"s 5 3f800000", editor_page_set, 5, 0x3f800000, nullptr},
      {"s 00000005 3f800000", editor_page_set, 5, 0x3f800000, nullptr},
      {"s 0x5 0X3F800000", editor_page_set, 5, 0x3f800000, nullptr},
      {"s 2 42480000 more", editor_page_set, 2, 0x42480000, nullptr},
      {"b 0 42480000", editor_page_begin, 0, 0x42480000, nullptr},
      {"e 4 43480000", editor_page_end, 4, 0x43480000, nullptr},
      {"s \t1\n 41cc0000", editor_page_set, 1, 0x41cc0000, nullptr},
      {"sX3 7fc00001", editor_page_set, 3, 0x7fc00001, nullptr},  // second character not examined
      {"s 1 80000000", editor_page_set, 1, 0x80000000, nullptr},    // -0.0 bit for bit
      {"g", editor_page_get_all, 0, 0, nullptr},
      {"gxyz", editor_page_get_all, 0, 0, nullptr},
      {"m ", editor_page_text, 0, 0, ""},
      {"m nuvixV1 init abc", editor_page_text, 0, 0, "nuvixV1 init abc"},
      {"m  two", editor_page_text, 0, 0, " two"},
      // Ignored: unknown kinds, unreadable or out-of-range arguments, short messages.
      {"S 5 3f800000", editor_page_ignored, 0, 0, nullptr},
      {"x 1 2", editor_page_ignored, 0, 0, nullptr},
      {"s 6 3f800000", editor_page_ignored, 0, 0, nullptr},
      {"s ffffffff 0", editor_page_ignored, 0, 0, nullptr},
      {"s 1", editor_page_ignored, 0, 0, nullptr},
      {"s 1 ", editor_page_ignored, 0, 0, nullptr},
      {"s zz 1", editor_page_ignored, 0, 0, nullptr},
      {"s 1 zz", editor_page_ignored, 0, 0, nullptr},
      {"s 1,3f800000", editor_page_ignored, 0, 0, nullptr},
      {"s ", editor_page_ignored, 0, 0, nullptr},
      {"s", editor_page_ignored, 0, 0, nullptr},
      {"m", editor_page_ignored, 0, 0, nullptr},
      {"", editor_page_ignored, 0, 0, nullptr},
  };
  for (const read_case& c : cases) {
    SCOPED_TRACE(c.message);
    editor_page_message m = editor_protocol_read(c.message, 6);
    EXPECT_EQ(m.kind, c.kind);
    if (c.kind == editor_page_begin || c.kind == editor_page_set || c.kind == editor_page_end) {
      EXPECT_EQ(m.index, c.index);
      EXPECT_EQ(bits_of(m.value), c.value_bits);
    }
    if (c.text) {
      ASSERT_NE(m.text, nullptr);
      EXPECT_STREQ(m.text, c.text);
      // The text lies inside the message.
      EXPECT_EQ(m.text, c.message + 2);
    }
  }
}

TEST(EditorProtocol, CountBoundsTheIndex) {
  EXPECT_EQ(editor_protocol_read("s 0 0", 0).kind, editor_page_ignored);
  EXPECT_EQ(editor_protocol_read("g", 0).kind, editor_page_get_all);
  EXPECT_EQ(editor_protocol_read("s 0 0", 1).kind, editor_page_set);
  EXPECT_EQ(editor_protocol_read(nullptr, 6).kind, editor_page_ignored);
}

TEST(EditorProtocol, NeverReadsPastTheMessage) {
  // Each message sits at the very end of its buffer, followed by bytes that
  // would change the outcome if read.
  const char* messages[] = {"s", "s ", "s 1", "s 1 4", "m", "b 5 3f80"};
  for (const char* message : messages) {
    SCOPED_TRACE(message);
    std::string buffer = std::string(message) + '\0' + "5 3f800000 m";
    editor_page_message m = editor_protocol_read(buffer.c_str(), 6);
    editor_page_message alone = editor_protocol_read(std::string(message).c_str(), 6);
    EXPECT_EQ(m.kind, alone.kind);
    EXPECT_EQ(bits_of(m.value), bits_of(alone.value));
  }
}

TEST(EditorProtocol, FormatsValueMessages) {
  struct {
    uint32_t index;
    uint32_t bits;
    const wchar_t* expected;
  } cases[] = {
      {5, 0x3f800000, L"s 00000005 3f800000"},
      {0, 0x42480000, L"s 00000000 42480000"},
      {1, 0x80000000, L"s 00000001 80000000"},
      {4, 0x43480000, L"s 00000004 43480000"},
      {0xffffffff, 0x7fc00001, L"s ffffffff 7fc00001"},
  };
  for (const auto& c : cases) {
    wchar_t out[editor_protocol_value_chars];
    editor_protocol_format_value(out, c.index, from_bits(c.bits));
    EXPECT_STREQ(out, c.expected);
  }
}

}  // namespace
