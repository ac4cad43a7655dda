#include "editor_text.h"

#include <windows.h>

#include <cstdlib>
#include <cwchar>

wchar_t* editor_text_to_utf16(const wchar_t* prefix, const char* text, const wchar_t* suffix) {
  if (!text) return nullptr;
  // Counts the terminator; 0 for invalid UTF-8.
  int chars = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text, -1, nullptr, 0);
  if (chars <= 0) return nullptr;
  size_t prefix_chars = wcslen(prefix), suffix_chars = wcslen(suffix);
  size_t total = prefix_chars + static_cast<size_t>(chars) + suffix_chars;
  auto* out = static_cast<wchar_t*>(malloc(total * sizeof(wchar_t)));
  if (!out) return nullptr;
  wmemcpy(out, prefix, prefix_chars);
  if (MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text, -1, out + prefix_chars, chars) != chars) {
    free(out);
    return nullptr;
  }
  wmemcpy(out + prefix_chars + chars - 1, suffix, suffix_chars + 1);
  return out;
}
