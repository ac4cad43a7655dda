#include "news_store_reply.h"

#include <cstdlib>
#include <cstring>

bool news_store_reply(editor_host* host, const char* const* pieces, size_t count) {
  size_t total = 1;
  for (size_t i = 0; i < count; ++i) total += strlen(pieces[i]);
  char* text = static_cast<char*>(malloc(total));
  if (!text) return false;
  char* at = text;
  for (size_t i = 0; i < count; ++i) {
    size_t n = strlen(pieces[i]);
    memcpy(at, pieces[i], n);
    at += n;
  }
  *at = 0;
  editor_host_send_text(host, text);
  free(text);
  return true;
}
