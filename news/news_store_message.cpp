#include <cstdlib>
#include <cstring>

#include "news_store.h"
#include "news_store_reply.h"

namespace {

// The rest of text after prefix, or null when text does not begin with it.
const char* after(const char* text, const char* prefix) {
  size_t n = strlen(prefix);
  return strncmp(text, prefix, n) == 0 ? text + n : nullptr;
}

// Sends prefix and content when the file existed; false when the reply could
// not be built.
bool reply_if_present(editor_host* host, const char* prefix, const char* content) {
  if (!content) return true;
  const char* reply[] = {prefix, content};
  return news_store_reply(host, reply, 2);
}

void init(editor_host* host, const char* id) {
  const char* system[] = {news_store_system_file};
  const char* news[] = {news_store_news_file};
  const char* latest[] = {id, news_store_latest_file};
  char* system_content = nullptr;
  char* news_content = nullptr;
  char* latest_content = nullptr;
  // All three or nothing: a page told only part of the store would take the
  // rest for absent.
  if (news_store_read(system, 1, &system_content) == 0 && news_store_read(news, 1, &news_content) == 0 &&
      news_store_read(latest, 2, &latest_content) == 0 &&
      reply_if_present(host, "nuvixV1 initSid ", system_content) &&
      reply_if_present(host, "nuvixV1 initNews ", news_content) &&
      reply_if_present(host, "nuvixV1 initLatest ", latest_content)) {
    const char* done[] = {"nuvixV1 initDone "};
    news_store_reply(host, done, 1);
  }
  free(system_content);
  free(news_content);
  free(latest_content);
}

void get_news(editor_host* host) {
  const char* news[] = {news_store_news_file};
  char* content = nullptr;
  if (news_store_read(news, 1, &content) != 0) return;
  const char* reply[] = {"nuvixV1 getNews ", content ? content : ""};
  news_store_reply(host, reply, 2);
  free(content);
}

// "<id> <rest>": the id as a text of its own, or null when there is no space
// after it or no memory.
char* split_id(const char* text, const char** rest) {
  const char* space = strchr(text, ' ');
  if (!space) return nullptr;
  size_t n = size_t(space - text);
  char* id = static_cast<char*>(malloc(n + 1));
  if (!id) return nullptr;
  memcpy(id, text, n);
  id[n] = 0;
  *rest = space + 1;
  return id;
}

}  // namespace

void news_store_handle_message(editor_host* host, const char* text) {
  if (!text) return;
  const char* rest;
  if ((rest = after(text, "nuvixV1 init "))) {
    init(host, rest);
  } else if (after(text, "nuvixV1 getNews ")) {
    get_news(host);
  } else if ((rest = after(text, "nuvixV1 newSid "))) {
    const char* system[] = {news_store_system_file};
    news_store_write(rest, system, 1);
  } else if ((rest = after(text, "nuvixV1 syncNews "))) {
    news_store_sync(host, nullptr, news_store_news_file, rest, "syncNewsConflict");
  } else if ((rest = after(text, "nuvixV1 syncLatest "))) {
    const char* body;
    if (char* id = split_id(rest, &body)) {
      news_store_sync(host, id, news_store_latest_file, body, "syncLatestConflict");
      free(id);
    }
  } else if ((rest = after(text, "nuvixV1 syncNewsForce "))) {
    const char* news[] = {news_store_news_file};
    news_store_write(rest, news, 1);
  } else if ((rest = after(text, "nuvixV1 syncLatestForce "))) {
    const char* data;
    if (char* id = split_id(rest, &data)) {
      const char* latest[] = {id, news_store_latest_file};
      news_store_write(data, latest, 2);
      free(id);
    }
  }
}
