#include <cstdio>
#include <cstdlib>

#include "news_store.h"
#include "news_store_lock.h"

void news_store_write(const char* data, const char* const* components, size_t count) {
  if (news_store_make_folders(components, count, true) != 0) return;
  wchar_t* path = news_store_path(components, count, false);
  if (!path) return;
  // Append mode neither truncates nor fails on an absent file: the old content
  // stays whole for readers until this writer holds the lock, and survives a
  // failed lock.
  FILE* file = _wfopen(path, L"at");
  free(path);
  if (!file) return;
  if (news_store_lock(file) == 0) {
    news_store_replace(file, data);
    news_store_unlock(file);
  }
  fclose(file);
}
