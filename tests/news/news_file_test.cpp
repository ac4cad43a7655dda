// Reading and writing single files, and every allocation failing in turn.
#include <algorithm>
#include <string>
#include <vector>

#include "alloc_hooks.h"
#include "news_store.h"
#include "news_test_fixture.h"

namespace {

struct read_result {
  int status;
  std::string content;  // "(none)" when no content came back
};

read_result read_file(std::vector<const char*> components) {
  char* content = reinterpret_cast<char*>(1);
  int status = news_store_read(components.data(), components.size(), &content);
  read_result result{status, content ? content : "(none)"};
  free(content);
  return result;
}

TEST_F(news_store_fixture, read_reports_absent_empty_and_text) {
  EXPECT_EQ(read_file({"nuvix-news"}).status, 0);
  EXPECT_EQ(read_file({"nuvix-news"}).content, "(none)");
  EXPECT_EQ(read_file({"u1", "latest"}).content, "(none)");  // neither folder nor file
  put("nuvix-news", "");
  EXPECT_EQ(read_file({"nuvix-news"}).status, 0);
  EXPECT_EQ(read_file({"nuvix-news"}).content, "");
  put("nuvix-news", "a\r\nb\r\n\r\nc\rd");
  EXPECT_EQ(read_file({"nuvix-news"}).content, "a\nb\n\nc\rd");
}

TEST_F(news_store_fixture, read_failures_are_not_absence) {
  make_maker();
  ASSERT_TRUE(CreateDirectoryW(file("nuvix-news").c_str(), nullptr));
  EXPECT_EQ(read_file({"nuvix-news"}).status, -1);
  EXPECT_EQ(read_file({"..", "latest"}).status, -1);
  EXPECT_EQ(read_file({"", "latest"}).status, -1);
  news_test_set_appdata(L"");
  EXPECT_EQ(read_file({"nuvix-system"}).status, -1);
  EXPECT_EQ(read_file({"nuvix-system"}).content, "(none)");
}

TEST_F(news_store_fixture, write_stores_crlf_and_reads_back_lf) {
  const char* latest[] = {"u1", "latest"};
  news_store_write("0123456789 a long first content", latest, 2);
  news_store_write("x\ny\n", latest, 2);
  EXPECT_EQ(disk("u1\\latest"), "x\r\ny\r\n");
  EXPECT_EQ(read_file({"u1", "latest"}).content, "x\ny\n");
}

// Runs op with its n-th allocation failing, for n = 1, 2, ... until a run
// makes fewer than n allocations; check sees each run's failure number (0 for
// the run where nothing failed) and frees what op returned. prepare runs
// before each arming; op itself must allocate nothing but what the store
// does. No run may leak.
template <class Prepare, class Op, class Check>
void each_allocation_failing(Prepare prepare, Op op, Check check) {
  for (long n = 1;; ++n) {
    prepare();
    long live = alloc_hooks_live_blocks();
    alloc_hooks_fail_at(n);
    alloc_scope scope;
    op();
    alloc_hooks_fail_at(0);
    bool failed = scope.count() >= n;
    check(failed ? n : 0);
    EXPECT_EQ(alloc_hooks_live_blocks(), live) << "failing allocation " << n;
    if (!failed) break;
    ASSERT_LT(n, 100);
  }
}

TEST_F(news_store_fixture, read_without_memory_fails) {
  put("nuvix-news", "content");
  static const char* news[] = {"nuvix-news"};
  int status;
  char* content;
  each_allocation_failing([] {}, [&] { status = news_store_read(news, 1, &content); },
                          [&](long failing) {
                            EXPECT_EQ(status, failing ? -1 : 0) << failing;
                            EXPECT_EQ(content ? std::string(content) : "(none)", failing ? "(none)" : "content");
                            free(content);
                          });
}

// A reply that cannot be built stops init there: what was sent is always the
// start of the full answer, and the final message comes only with all others.
TEST_F(news_store_fixture, init_without_memory_sends_a_prefix_of_its_answer) {
  put("nuvix-system", "s");
  put("nuvix-news", "n");
  put("u1\\latest", "l");
  const std::vector<std::string> full = {"nuvixV1 initSid s", "nuvixV1 initNews n", "nuvixV1 initLatest l",
                                         "nuvixV1 initDone "};
  std::vector<size_t> lengths;
  lengths.reserve(100);  // grown inside the checks, it would count as a leak
  each_allocation_failing(
      [] { news_test_clear_sent(); }, [] { news_store_handle_message(news_test_host(), "nuvixV1 init u1"); },
      [&](long failing) {
        std::vector<std::string> sent = news_test_sent();
        ASSERT_LE(sent.size(), full.size());
        EXPECT_EQ(sent, std::vector<std::string>(full.begin(), full.begin() + long(sent.size())));
        EXPECT_EQ(sent.size() == full.size(), failing == 0);
        lengths.push_back(sent.size());
      });
  // Read failures send nothing; each reply's own failure cuts the answer there.
  for (size_t n = 0; n < full.size(); ++n)
    EXPECT_NE(std::find(lengths.begin(), lengths.end(), n), lengths.end()) << "no run stopped after " << n;
}

TEST_F(news_store_fixture, updates_without_memory_change_nothing_or_everything) {
  for (const char* text : {"nuvixV1 syncNews AAAAAAAA BBBBBBBB new", "nuvixV1 syncLatest u1 AAAAAAAA BBBBBBBB new",
                           "nuvixV1 syncNewsForce BBBBBBBB new", "nuvixV1 syncLatestForce u1 BBBBBBBB new"}) {
    each_allocation_failing(
        [&] {
          put("nuvix-news", "AAAAAAAA old");
          put("u1\\latest", "AAAAAAAA old");
        },
        [&] { news_store_handle_message(news_test_host(), text); },
        [&](long failing) {
          std::string after = std::string(text).find("u1") != std::string::npos ? disk("u1\\latest") : disk("nuvix-news");
          EXPECT_EQ(after, failing ? "AAAAAAAA old" : "BBBBBBBB new") << text << " failing " << failing;
        });
  }
  // A conflict whose content cannot be read back is not answered.
  put("nuvix-news", "CCCCCCCC current");
  each_allocation_failing(
      [] { news_test_clear_sent(); }, [] { news_store_handle_message(news_test_host(), "nuvixV1 syncNews AAAAAAAA x"); },
      [&](long failing) {
        std::vector<std::string> expected;
        if (!failing) expected.push_back("nuvixV1 syncNewsConflict CCCCCCCC current");
        EXPECT_EQ(news_test_sent(), expected) << failing;
        EXPECT_EQ(disk("nuvix-news"), "CCCCCCCC current");
      });
}

}  // namespace
