#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "news_store.h"
#include "news_store_lock.h"
#include "news_store_reply.h"

namespace {

constexpr size_t token_size = 8;

enum class sync_outcome { failed, applied, conflict };

// Under the lock: decides and, when the rule allows, replaces the content.
sync_outcome sync_locked(FILE* file, const char* token, const char* data) {
  if (_fseeki64(file, 0, SEEK_END) != 0) return sync_outcome::failed;
  int64_t size = _ftelli64(file);
  if (size < 0 || _fseeki64(file, 0, SEEK_SET) != 0) return sync_outcome::failed;
  bool applies = size == 0;
  if (!applies && token) {
    // Compared as the page wrote it: text mode turns CR LF back into LF.
    char stored[token_size];
    applies = fread(stored, 1, token_size, file) == token_size && memcmp(stored, token, token_size) == 0;
  }
  if (!applies) return sync_outcome::conflict;
  news_store_replace(file, data);
  return sync_outcome::applied;
}

}  // namespace

void news_store_sync(editor_host* host, const char* id, const char* file_name, const char* body,
                     const char* conflict_word) {
  const char* token = nullptr;  // none: only an empty file takes the data
  const char* data;
  if (body[0] == '-') {
    if (!body[1]) return;
    data = body + 2;
  } else {
    if (strnlen(body, token_size + 1) < token_size + 1) return;
    token = body;
    data = body + token_size + 1;
  }

  const char* components[2];
  size_t count = 0;
  if (id) components[count++] = id;
  components[count++] = file_name;
  if (news_store_make_folders(components, count, true) != 0) return;
  wchar_t* path = news_store_path(components, count, false);
  if (!path) return;
  FILE* file = _wfopen(path, L"a+t");
  free(path);
  if (!file) return;
  if (news_store_lock(file) != 0) {
    fclose(file);
    return;
  }
  sync_outcome outcome = sync_locked(file, token, data);
  char* current = outcome == sync_outcome::conflict ? news_store_read_all(file) : nullptr;
  news_store_unlock(file);
  fclose(file);
  if (current) {
    const char* reply[] = {"nuvixV1 ", conflict_word, " ", current};
    news_store_reply(host, reply, 4);
    free(current);
  }
}
