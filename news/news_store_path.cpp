#include <windows.h>

#include <cstdlib>
#include <cstring>

#include "news_store.h"

namespace {

constexpr wchar_t maker_folder[] = L"\\Quenvar";

// A component names one entry inside its folder: nothing that climbs out of
// it, starts another path, or that Windows would trim into such a name.
bool component_is_safe(const char* component) {
  bool only_dots_and_spaces = true;
  for (const unsigned char* c = reinterpret_cast<const unsigned char*>(component); *c; ++c) {
    if (*c < 0x20 || *c == 0x7f || *c == '\\' || *c == '/' || *c == ':') return false;
    if (*c != '.' && *c != ' ') only_dots_and_spaces = false;
  }
  return !only_dots_and_spaces;
}

// UTF-16 length of a strict UTF-8 text, or 0 when it is empty or invalid.
int utf16_length(const char* text) {
  int n = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text, -1, nullptr, 0);
  return n > 1 ? n - 1 : 0;
}

}  // namespace

wchar_t* news_store_path(const char* const* components, size_t count, bool leave_out_last) {
  DWORD base = GetEnvironmentVariableW(L"APPDATA", nullptr, 0);
  if (base <= 1) return nullptr;  // unset, or empty
  size_t total = base - 1 + wcslen(maker_folder);
  size_t used = leave_out_last && count > 0 ? count - 1 : count;
  for (size_t i = 0; i < count; ++i) {
    if (!component_is_safe(components[i])) return nullptr;
    int n = utf16_length(components[i]);
    if (n == 0) return nullptr;
    if (i < used) total += 1 + size_t(n);
  }
  wchar_t* path = static_cast<wchar_t*>(malloc((total + 1) * sizeof(wchar_t)));
  if (!path) return nullptr;
  // The variable may have changed since its length was asked.
  DWORD got = GetEnvironmentVariableW(L"APPDATA", path, base);
  if (got == 0 || got >= base) {
    free(path);
    return nullptr;
  }
  size_t at = got;
  wcscpy(path + at, maker_folder);
  at += wcslen(maker_folder);
  for (size_t i = 0; i < used; ++i) {
    path[at++] = L'\\';
    at += size_t(MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, components[i], -1, path + at,
                                     int(total + 1 - at))) - 1;
  }
  path[at] = 0;
  return path;
}
