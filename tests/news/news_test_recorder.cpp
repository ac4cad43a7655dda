#include <cstring>

#include "news_test_support.h"

namespace {

constexpr size_t record_bytes = 1 << 22;
constexpr size_t record_texts = 1024;
char recorded[record_bytes];
size_t recorded_end[record_texts];
editor_host* recorded_host[record_texts];
size_t recorded_count = 0;
bool recorder_overflow = false;

}  // namespace

void editor_host_send_text(editor_host* host, const char* text) {
  size_t start = recorded_count ? recorded_end[recorded_count - 1] : 0;
  size_t n = strlen(text);
  if (recorded_count == record_texts || n > record_bytes - start) {
    recorder_overflow = true;
    return;
  }
  memcpy(recorded + start, text, n);
  recorded_host[recorded_count] = host;
  recorded_end[recorded_count++] = start + n;
}

std::vector<std::string> news_test_sent() {
  std::vector<std::string> texts;
  size_t start = 0;
  for (size_t i = 0; i < recorded_count; ++i) {
    texts.emplace_back(recorded + start, recorded_end[i] - start);
    start = recorded_end[i];
  }
  if (recorder_overflow) texts.emplace_back("(recorder overflow)");
  return texts;
}

std::vector<editor_host*> news_test_sent_hosts() {
  return std::vector<editor_host*>(recorded_host, recorded_host + recorded_count);
}

void news_test_clear_sent() {
  recorded_count = 0;
  recorder_overflow = false;
}

