#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "news_store.h"
#include "news_store_lock.h"

int news_store_read(const char* const* components, size_t count, char** content) {
  *content = nullptr;
  wchar_t* path = news_store_path(components, count, false);
  if (!path) return -1;
  FILE* file = _wfopen(path, L"rt");
  int open_error = errno;
  free(path);
  if (!file) return open_error == ENOENT ? 0 : -1;
  if (news_store_lock(file) != 0) {
    fclose(file);
    return -1;
  }
  char* text = news_store_read_all(file);
  news_store_unlock(file);
  fclose(file);
  if (!text) return -1;
  *content = text;
  return 0;
}
