// Page messages: what the editor page sends, and the value message the native
// side sends back. Text in UTF-8 here; UTF-16 only at the browser.
#pragma once

#include <cstddef>
#include <cstdint>

enum editor_page_kind : uint8_t {
  editor_page_ignored,  // unknown kind, unreadable or out-of-range arguments
  editor_page_begin,    // "b index value"
  editor_page_set,      // "s index value"
  editor_page_end,      // "e index value"
  editor_page_get_all,  // "g": answer every value from the store
  editor_page_text,     // "m text": for the message handler
};

struct editor_page_message {
  editor_page_kind kind;
  uint32_t index;    // begin, set, end: below the count
  float value;       // begin, set, end: the plain value, bit for bit
  const char* text;  // text: from the third character on, inside the message
};

// Reads one page message. Never reads past its terminator; an index not
// below count makes it ignored.
editor_page_message editor_protocol_read(const char* message, uint64_t count);

// "s %08x %08x" and its terminator.
inline constexpr size_t editor_protocol_value_chars = 20;

// Formats the value message for the page.
void editor_protocol_format_value(wchar_t (&out)[editor_protocol_value_chars], uint32_t index,
                                  float value);
