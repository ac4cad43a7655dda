// One of the processes racing on the news file. Waits for the start event,
// then, by mode:
//   sync  <n>: one conditional update with the original's token
//   force <n>: twenty unconditional writes of its content
//   read  <n>: two hundred reads, each of which must be a complete content
// Replies and any incomplete read go to the result file. Exit 0 when done,
// 2 on bad arguments, 3 when a read saw an incomplete content.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "news_race_content.h"
#include "news_store.h"
#include "news_test_support.h"

int wmain(int argc, wchar_t** argv) {
  if (argc != 6) return 2;
  std::wstring mode = argv[1];
  int n = _wtoi(argv[2]);
  int writers = _wtoi(argv[3]);
  HANDLE start = OpenEventW(SYNCHRONIZE, FALSE, argv[4]);
  if (!start || WaitForSingleObject(start, INFINITE) != WAIT_OBJECT_0) return 2;

  int status = 0;
  std::string result;
  if (mode == L"sync") {
    std::string text = "nuvixV1 syncNews AAAAAAAA " + news_race_content(n);
    news_store_handle_message(news_test_host(), text.c_str());
  } else if (mode == L"force") {
    std::string text = "nuvixV1 syncNewsForce " + news_race_content(n);
    for (int i = 0; i < 20; ++i) news_store_handle_message(news_test_host(), text.c_str());
  } else if (mode == L"read") {
    const char* news[] = {news_store_news_file};
    for (int i = 0; i < 200 && status == 0; ++i) {
      char* content = nullptr;
      if (news_store_read(news, 1, &content) != 0 || !content || !news_race_complete(content, writers)) {
        result = content ? content : "(no content)";
        status = 3;
      }
      free(content);
    }
  } else {
    return 2;
  }
  for (const std::string& reply : news_test_sent()) result += reply + '\0';
  if (!news_test_write_raw(argv[5], result)) return 2;
  return status;
}
