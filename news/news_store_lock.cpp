#include "news_store_lock.h"

#include <io.h>
#include <windows.h>

#include <cstdint>
#include <cstdlib>

namespace {

HANDLE handle_of(FILE* file) { return reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file))); }

}  // namespace

int news_store_lock(FILE* file) {
  HANDLE handle = handle_of(file);
  if (handle == INVALID_HANDLE_VALUE) return -1;
  OVERLAPPED from_start = {};
  return LockFileEx(handle, LOCKFILE_EXCLUSIVE_LOCK, 0, MAXDWORD, MAXDWORD, &from_start) ? 0 : -1;
}

void news_store_unlock(FILE* file) {
  OVERLAPPED from_start = {};
  UnlockFileEx(handle_of(file), 0, MAXDWORD, MAXDWORD, &from_start);
}

char* news_store_read_all(FILE* file) {
  if (_fseeki64(file, 0, SEEK_END) != 0) return nullptr;
  // The size on disk; text mode reads back fewer bytes for every CR LF pair.
  int64_t size = _ftelli64(file);
  if (size < 0 || uint64_t(size) >= SIZE_MAX) return nullptr;
  if (_fseeki64(file, 0, SEEK_SET) != 0) return nullptr;
  char* text = static_cast<char*>(malloc(size_t(size) + 1));
  if (!text) return nullptr;
  size_t got = fread(text, 1, size_t(size), file);
  // A partial content must never pass for the whole one.
  if (ferror(file)) {
    free(text);
    return nullptr;
  }
  text[got] = 0;
  return text;
}

int news_store_replace(FILE* file, const char* data) {
  if (fseek(file, 0, SEEK_SET) != 0 || _chsize(_fileno(file), 0) != 0) return -1;
  if (fputs(data, file) < 0) return -1;
  return fflush(file) == 0 ? 0 : -1;
}
