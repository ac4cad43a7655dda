#include <windows.h>

#include <cstdlib>
#include <cwchar>

#include "news_store.h"

namespace {

bool is_separator(wchar_t c) { return c == L'\\' || c == L'/'; }

bool is_drive(const wchar_t* p) {
  return ((p[0] >= L'A' && p[0] <= L'Z') || (p[0] >= L'a' && p[0] <= L'z')) && p[1] == L':';
}

size_t skip_name(const wchar_t* path, size_t at) {
  while (path[at] && !is_separator(path[at])) ++at;
  return at;
}

// A server name, its separators and a share name.
size_t skip_share(const wchar_t* path, size_t at) {
  at = skip_name(path, at);
  while (is_separator(path[at])) ++at;
  return skip_name(path, at);
}

}  // namespace

size_t news_store_root_length(const wchar_t* path) {
  // Long-path and device prefixes: "\\?\" and "\\.\".
  if (path[0] == L'\\' && path[1] == L'\\' && (path[2] == L'?' || path[2] == L'.') && path[3] == L'\\') {
    if (wcsncmp(path + 4, L"UNC\\", 4) == 0) return skip_share(path, 8);
    if (is_drive(path + 4)) return 6;
    return 4;
  }
  // A network share: its root cannot be created, only what lies below it.
  if (path[0] == L'\\' && path[1] == L'\\') return skip_share(path, 2);
  if (is_drive(path)) return 2;
  return 0;
}

int news_store_make_folders(const char* const* components, size_t count, bool leave_out_last) {
  wchar_t* path = news_store_path(components, count, leave_out_last);
  if (!path) return -1;
  int result = 0;
  size_t at = news_store_root_length(path);
  for (;;) {
    while (is_separator(path[at])) ++at;
    if (!path[at]) break;
    at = skip_name(path, at);
    wchar_t separator = path[at];
    path[at] = 0;
    bool made = CreateDirectoryW(path, nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
    path[at] = separator;
    if (!made) {
      result = -1;
      break;
    }
  }
  free(path);
  return result;
}
