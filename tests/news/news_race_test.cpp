// Processes racing on one news file: the real programs, locks and files.
#include <windows.h>

#include <string>
#include <vector>

#include "news_race_content.h"
#include "news_store.h"
#include "news_test_fixture.h"

namespace {

std::wstring child_program() {
  wchar_t self[MAX_PATH];
  DWORD n = GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring path(self, n);
  return path.substr(0, path.find_last_of(L"\\/") + 1) + L"news_race_child.exe";
}

struct child {
  std::wstring mode;
  int n;
  std::wstring result;
  HANDLE process = nullptr;
};

class news_race : public news_store_fixture {
 protected:
  // Starts every child, lets them go at once, and waits for them all.
  void run(std::vector<child>& children, int writers) {
    static int counter = 0;
    wchar_t event_name[64];
    swprintf(event_name, 64, L"skarrow-news-race-%lu-%d", GetCurrentProcessId(), counter++);
    HANDLE start = CreateEventW(nullptr, TRUE, FALSE, event_name);
    ASSERT_NE(start, nullptr);
    std::wstring program = child_program();
    for (size_t i = 0; i < children.size(); ++i) {
      child& c = children[i];
      c.result = outer + L"\\result-" + std::to_wstring(i);
      std::wstring line = L"\"" + program + L"\" " + c.mode + L" " + std::to_wstring(c.n) + L" " +
                          std::to_wstring(writers) + L" " + event_name + L" \"" + c.result + L"\"";
      STARTUPINFOW startup = {};
      startup.cb = sizeof startup;
      PROCESS_INFORMATION info = {};
      ASSERT_TRUE(CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                 &startup, &info))
          << news_test_narrow(program);
      CloseHandle(info.hThread);
      c.process = info.hProcess;
    }
    SetEvent(start);
    for (child& c : children) {
      WaitForSingleObject(c.process, INFINITE);
      DWORD code = 1;
      GetExitCodeProcess(c.process, &code);
      CloseHandle(c.process);
      std::string result;
      news_test_read_raw(c.result, result);
      EXPECT_EQ(code, 0u) << news_test_narrow(c.mode) << " " << c.n << ": " << result.substr(0, 200);
    }
    CloseHandle(start);
  }

  static std::vector<std::string> replies_of(const child& c) {
    std::string raw;
    std::vector<std::string> replies;
    if (!news_test_read_raw(c.result, raw)) return {"(no result)"};
    for (size_t at = 0; at < raw.size();) {
      size_t end = raw.find('\0', at);
      replies.push_back(raw.substr(at, end - at));
      at = end + 1;
    }
    return replies;
  }

  std::string news_text() {
    const char* news[] = {news_store_news_file};
    char* content = nullptr;
    std::string text = news_store_read(news, 1, &content) == 0 && content ? content : "(unreadable)";
    free(content);
    return text;
  }
};

TEST_F(news_race, one_of_many_updates_with_the_same_token_applies) {
  const int writers = 8;
  news_store_handle_message(news_test_host(), (std::string("nuvixV1 syncNewsForce ") + news_race_original).c_str());
  std::vector<child> children;
  for (int i = 0; i < writers; ++i) children.push_back({L"sync", i, {}});
  for (int i = 0; i < 3; ++i) children.push_back({L"read", i, {}});
  run(children, writers);

  int winner = -1;
  for (int i = 0; i < writers; ++i) {
    if (replies_of(children[size_t(i)]).empty()) {
      EXPECT_EQ(winner, -1) << "both " << winner << " and " << i << " applied";
      winner = i;
    }
  }
  ASSERT_NE(winner, -1);
  std::string content = news_race_content(winner);
  EXPECT_EQ(news_text(), content);
  for (int i = 0; i < writers; ++i) {
    if (i == winner) continue;
    std::vector<std::string> replies = replies_of(children[size_t(i)]);
    ASSERT_EQ(replies.size(), 1u) << i;
    EXPECT_TRUE(replies[0] == "nuvixV1 syncNewsConflict " + content) << i << ": " << replies[0].substr(0, 60);
  }
}

TEST_F(news_race, readers_never_see_a_partial_or_emptied_file) {
  const int writers = 4;
  news_store_handle_message(news_test_host(), (std::string("nuvixV1 syncNewsForce ") + news_race_original).c_str());
  std::vector<child> children;
  for (int i = 0; i < writers; ++i) children.push_back({L"force", i, {}});
  for (int i = 0; i < 4; ++i) children.push_back({L"read", i, {}});
  run(children, writers);
  EXPECT_TRUE(news_race_complete(news_text(), writers));
}

}  // namespace
