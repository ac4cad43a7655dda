// The store behind a real editor host: texts the page sends inside "m"
// messages come back to the page, through the editor thread and the stand-in
// browser runtime, in the order they were answered.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "editor_fixture.h"
#include "news_store.h"
#include "news_test_support.h"

namespace {

// APPDATA in a folder of this test's own, gone again at the end.
struct temp_appdata {
  std::wstring folder = news_test_make_temp_folder();
  temp_appdata() { news_test_set_appdata(folder); }
  ~temp_appdata() {
    news_test_set_appdata(L"");
    news_test_remove_tree(folder);
  }
};

TEST(news_editor, replies_reach_the_page_through_the_editor_host_in_order) {
  temp_appdata appdata;
  ASSERT_FALSE(appdata.folder.empty());
  std::wstring maker = appdata.folder + L"\\Quenvar";
  ASSERT_TRUE(CreateDirectoryW(maker.c_str(), nullptr) && CreateDirectoryW((maker + L"\\u1").c_str(), nullptr));
  ASSERT_TRUE(news_test_write_raw(maker + L"\\nuvix-system", "sid-1"));
  ASSERT_TRUE(news_test_write_raw(maker + L"\\nuvix-news", "N0000001 a\r\nb"));
  ASSERT_TRUE(news_test_write_raw(maker + L"\\u1\\latest", "L0000001 x"));

  editor_fixture f;
  f.on_text = news_store_handle_message;
  editor_host* host = f.create();
  ASSERT_NE(host, nullptr);
  HWND window = host->editor_window;
  f.clear_records();

  for (const char* text : {"m nuvixV1 init u1", "m nuvixV1 syncNews N0000001 N0000002 c", "m nuvixV1 syncNews - N0000003 d",
                           "m nuvixV1 syncLatest u1 L0000009 y", "m nuvixV1 newSid sid-2", "m nuvixV1 getNews ",
                           "m nuvixV1 init u1"})
    f.page_says(host, text);
  EXPECT_EQ(f.posts(window), (std::vector<std::string>{
                                 "m nuvixV1 initSid sid-1",
                                 "m nuvixV1 initNews N0000001 a\nb",
                                 "m nuvixV1 initLatest L0000001 x",
                                 "m nuvixV1 initDone ",
                                 "m nuvixV1 syncNewsConflict N0000002 c",
                                 "m nuvixV1 syncLatestConflict L0000001 x",
                                 "m nuvixV1 getNews N0000002 c",
                                 "m nuvixV1 initSid sid-2",
                                 "m nuvixV1 initNews N0000002 c",
                                 "m nuvixV1 initLatest L0000001 x",
                                 "m nuvixV1 initDone ",
                             }));
  // Every answer came from the editor thread, inside the page's message.
  for (const module_call& call : f.calls()) EXPECT_EQ(call.thread, host->editor_thread_id);
  editor_host_destroy(host);
}

}  // namespace
