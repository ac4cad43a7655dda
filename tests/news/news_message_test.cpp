// The page's texts against real files: what is on disk before, the texts in
// order, the replies, what is on disk after. "(absent)" marks a missing file.
#include <string>
#include <vector>

#include "news_store.h"
#include "news_test_fixture.h"

namespace {

constexpr const char* absent = "(absent)";

struct disk_state {
  std::string system = absent, news = absent, latest = absent;  // latest of the id "u1"
};

struct message_case {
  const char* name;
  disk_state before;
  std::vector<std::string> texts;
  std::vector<std::string> replies;
  disk_state after;
};

void PrintTo(const message_case& c, std::ostream* out) { *out << c.name; }

const message_case message_cases[] = {
    // init
    {"init_with_no_files_only_says_done", {}, {"nuvixV1 init u1"}, {"nuvixV1 initDone "}, {}},
    {"init_with_empty_files_sends_bare_prefixes",
     {"", "", ""},
     {"nuvixV1 init u1"},
     {"nuvixV1 initSid ", "nuvixV1 initNews ", "nuvixV1 initLatest ", "nuvixV1 initDone "},
     {"", "", ""}},
    {"init_with_all_files_turns_crlf_into_lf",
     {"sid-1\r\n", "N0000001 a\r\nb", "L0000001 x\r\n\r\ny"},
     {"nuvixV1 init u1"},
     {"nuvixV1 initSid sid-1\n", "nuvixV1 initNews N0000001 a\nb", "nuvixV1 initLatest L0000001 x\n\ny",
      "nuvixV1 initDone "},
     {"sid-1\r\n", "N0000001 a\r\nb", "L0000001 x\r\n\r\ny"}},
    {"init_with_another_id_skips_latest",
     {"s", "n", "l"},
     {"nuvixV1 init u2"},
     {"nuvixV1 initSid s", "nuvixV1 initNews n", "nuvixV1 initDone "},
     {"s", "n", "l"}},
    {"init_with_empty_id_answers_nothing", {"s", "n", "l"}, {"nuvixV1 init "}, {}, {"s", "n", "l"}},
    {"init_without_its_space_is_ignored", {"s", "n", "l"}, {"nuvixV1 init"}, {}, {"s", "n", "l"}},

    // getNews
    {"getNews_of_absent_file_is_bare_prefix", {}, {"nuvixV1 getNews "}, {"nuvixV1 getNews "}, {}},
    {"getNews_ignores_its_rest",
     {absent, "N0000001 a\r\nb"},
     {"nuvixV1 getNews whatever follows"},
     {"nuvixV1 getNews N0000001 a\nb"},
     {absent, "N0000001 a\r\nb"}},
    {"getNews_without_its_space_is_ignored", {absent, "n"}, {"nuvixV1 getNews"}, {}, {absent, "n"}},

    // newSid
    {"newSid_writes_crlf_and_replaces_longer_content",
     {"a much longer stored session id"},
     {"nuvixV1 newSid s1\ns2"},
     {},
     {"s1\r\ns2"}},
    {"newSid_keeps_spaces_and_may_be_empty", {"old"}, {"nuvixV1 newSid "}, {}, {""}},

    // syncNews
    {"syncNews_dash_creates_absent_file_then_conflicts",
     {},
     {"nuvixV1 syncNews - N0000001 first", "nuvixV1 syncNews - N0000002 second"},
     {"nuvixV1 syncNewsConflict N0000001 first"},
     {absent, "N0000001 first"}},
    {"syncNews_dash_applies_to_empty_file", {absent, ""}, {"nuvixV1 syncNews - d"}, {}, {absent, "d"}},
    {"syncNews_matching_token_replaces",
     {absent, "AAAAAAAA old\r\ncontent"},
     {"nuvixV1 syncNews AAAAAAAA BBBBBBBB new\nlines"},
     {},
     {absent, "BBBBBBBB new\r\nlines"}},
    {"syncNews_token_differing_in_case_conflicts",
     {absent, "AAAAAAAA old\r\ncontent"},
     {"nuvixV1 syncNews AAAAAAAa BBBBBBBB new"},
     {"nuvixV1 syncNewsConflict AAAAAAAA old\ncontent"},
     {absent, "AAAAAAAA old\r\ncontent"}},
    {"syncNews_short_stored_content_never_matches",
     {absent, "12345"},
     {"nuvixV1 syncNews 12345xyz new"},
     {"nuvixV1 syncNewsConflict 12345"},
     {absent, "12345"}},
    {"syncNews_empty_file_takes_any_token",
     {absent, ""},
     {"nuvixV1 syncNews ZZZZZZZZ new"},
     {},
     {absent, "new"}},
    {"syncNews_absent_file_takes_any_token", {}, {"nuvixV1 syncNews ZZZZZZZZ new"}, {}, {absent, "new"}},
    {"syncNews_token_compares_text_not_disk_bytes",
     {absent, "AB\r\nCDEFG rest"},
     {"nuvixV1 syncNews AB\nCDEFG next"},
     {},
     {absent, "next"}},
    {"syncNews_token_and_separator_alone_empty_the_file",
     {absent, "AAAAAAAA old"},
     {"nuvixV1 syncNews AAAAAAAA "},
     {},
     {absent, ""}},
    {"syncNews_bodies_too_short_are_ignored",
     {},
     {"nuvixV1 syncNews ", "nuvixV1 syncNews -", "nuvixV1 syncNews AAAAAAA", "nuvixV1 syncNews AAAAAAAA"},
     {},
     {}},
    {"syncNews_dash_on_content_conflicts",
     {absent, "x"},
     {"nuvixV1 syncNews - y"},
     {"nuvixV1 syncNewsConflict x"},
     {absent, "x"}},

    // syncLatest
    {"syncLatest_creates_the_id_folder",
     {},
     {"nuvixV1 syncLatest u1 - L0000001 data\nmore"},
     {},
     {absent, absent, "L0000001 data\r\nmore"}},
    {"syncLatest_conflict_carries_content",
     {absent, absent, "L0000001 x\r\ny"},
     {"nuvixV1 syncLatest u1 L0000002 L0000003 z"},
     {"nuvixV1 syncLatestConflict L0000001 x\ny"},
     {absent, absent, "L0000001 x\r\ny"}},
    {"syncLatest_matching_token_replaces",
     {absent, absent, "L0000001 x"},
     {"nuvixV1 syncLatest u1 L0000001 L0000002 y"},
     {},
     {absent, absent, "L0000002 y"}},
    {"syncLatest_without_space_after_id_is_ignored",
     {},
     {"nuvixV1 syncLatest u1", "nuvixV1 syncLatest ", "nuvixV1 syncLatest u1 -"},
     {},
     {}},
    {"syncLatest_empty_id_is_ignored", {}, {"nuvixV1 syncLatest  - data"}, {}, {}},

    // the force variants
    {"syncNewsForce_replaces_whatever_is_there",
     {absent, "AAAAAAAA much longer old content"},
     {"nuvixV1 syncNewsForce new\n", "nuvixV1 syncNewsForce newer\n"},
     {},
     {absent, "newer\r\n"}},
    {"syncNewsForce_creates_absent_file", {}, {"nuvixV1 syncNewsForce n"}, {}, {absent, "n"}},
    {"syncLatestForce_creates_folder_and_replaces",
     {},
     {"nuvixV1 syncLatestForce u1 one two", "nuvixV1 syncLatestForce u1 three"},
     {},
     {absent, absent, "three"}},
    {"syncLatestForce_without_space_after_id_is_ignored", {}, {"nuvixV1 syncLatestForce u1"}, {}, {}},

    // texts matching no prefix
    {"unknown_texts_are_ignored",
     {"s", "n", "l"},
     {"", "nuvixV1 ", "nuvixV1 initDone ", "nuvixv1 init u1", "nuvixV1 getnews ", " nuvixV1 init u1",
      "nuvixV1 syncNewsForce", "nuvixV1 newSid"},
     {},
     {"s", "n", "l"}},
};

class message_table : public news_store_fixture, public ::testing::WithParamInterface<message_case> {};

TEST_P(message_table, replies_and_disk) {
  const message_case& c = GetParam();
  if (c.before.system != absent) put("nuvix-system", c.before.system);
  if (c.before.news != absent) put("nuvix-news", c.before.news);
  if (c.before.latest != absent) put("u1\\latest", c.before.latest);
  for (const std::string& text : c.texts) news_store_handle_message(news_test_host(), text.c_str());
  EXPECT_EQ(news_test_sent(), c.replies);
  for (editor_host* host : news_test_sent_hosts()) EXPECT_EQ(host, news_test_host());
  EXPECT_EQ(disk("nuvix-system"), c.after.system);
  EXPECT_EQ(disk("nuvix-news"), c.after.news);
  EXPECT_EQ(disk("u1\\latest"), c.after.latest);
}

INSTANTIATE_TEST_SUITE_P(news, message_table, ::testing::ValuesIn(message_cases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(news_store_fixture, ids_with_spaces_and_non_ascii_name_their_folder) {
  news_store_handle_message(news_test_host(), "nuvixV1 syncLatestForce caf\xc3\xa9 data");
  put("my id\\latest", "spaced");
  EXPECT_EQ(disk("caf\xc3\xa9\\latest"), "data");
  news_store_handle_message(news_test_host(), "nuvixV1 init my id");
  news_store_handle_message(news_test_host(), "nuvixV1 init caf\xc3\xa9");
  EXPECT_EQ(news_test_sent(), (std::vector<std::string>{"nuvixV1 initLatest spaced", "nuvixV1 initDone ",
                                                        "nuvixV1 initLatest data", "nuvixV1 initDone "}));
}

// A read that fails (here: a folder where a file belongs) silences init
// entirely, however the other two reads went.
TEST_F(news_store_fixture, init_sends_nothing_when_any_read_fails) {
  for (const char* broken : {"nuvix-system", "nuvix-news", "u1\\latest"}) {
    news_test_remove_tree(maker);
    put("nuvix-system", "s");
    put("nuvix-news", "n");
    put("u1\\latest", "l");
    news_test_remove_tree(file(broken));
    ASSERT_TRUE(CreateDirectoryW(file(broken).c_str(), nullptr));
    news_test_clear_sent();
    news_store_handle_message(news_test_host(), "nuvixV1 init u1");
    EXPECT_EQ(news_test_sent(), std::vector<std::string>{}) << broken;
  }
}

TEST_F(news_store_fixture, failing_files_end_messages_silently) {
  put("nuvix-news", "n");
  news_test_remove_tree(file("nuvix-news"));
  ASSERT_TRUE(CreateDirectoryW(file("nuvix-news").c_str(), nullptr));
  // A file where the id's folder belongs: no folder, no file.
  put("u1", "not a folder");
  for (const char* text : {"nuvixV1 getNews ", "nuvixV1 syncNews AAAAAAAA x", "nuvixV1 syncNewsForce x",
                           "nuvixV1 syncLatest u1 - x", "nuvixV1 syncLatestForce u1 x"})
    news_store_handle_message(news_test_host(), text);
  EXPECT_EQ(news_test_sent(), std::vector<std::string>{});
  EXPECT_TRUE(news_test_is_folder(file("nuvix-news")));
  EXPECT_EQ(disk("u1"), "not a folder");
}

TEST_F(news_store_fixture, without_appdata_nothing_is_answered_or_written) {
  ASSERT_TRUE(news_test_set_appdata(L""));
  for (const char* text : {"nuvixV1 init u1", "nuvixV1 getNews ", "nuvixV1 newSid s", "nuvixV1 syncNews - x",
                           "nuvixV1 syncLatest u1 - x", "nuvixV1 syncNewsForce x", "nuvixV1 syncLatestForce u1 x"})
    news_store_handle_message(news_test_host(), text);
  EXPECT_EQ(news_test_sent(), std::vector<std::string>{});
}

// Ids that would name something outside their folder: nothing is created,
// written or answered, however the text reaches the id.
TEST_F(news_store_fixture, unsafe_ids_touch_nothing_outside_the_maker_folder) {
  put("nuvix-system", "s");
  const char* ids[] = {".", "..", "...", "..\\..", "../x", "a\\b", "a/b", "C:x", "x:", "a\x01", "\t", "\x7f",
                       "\xff", "\xc3"};
  for (const char* id : ids) {
    std::string i = id;
    news_store_handle_message(news_test_host(), ("nuvixV1 syncLatestForce " + i + " data").c_str());
    news_store_handle_message(news_test_host(), ("nuvixV1 syncLatest " + i + " - data").c_str());
    news_store_handle_message(news_test_host(), ("nuvixV1 init " + i).c_str());
  }
  // Reachable through init only: ids may hold spaces there.
  for (const char* id : {" ", ". .", ".. ", " .."})
    news_store_handle_message(news_test_host(), (std::string("nuvixV1 init ") + id).c_str());
  EXPECT_EQ(news_test_sent(), std::vector<std::string>{});
  EXPECT_EQ(news_test_list(outer), std::vector<std::string>{"roaming"});
  EXPECT_EQ(news_test_list(appdata), std::vector<std::string>{"Quenvar"});
  EXPECT_EQ(news_test_list(maker), std::vector<std::string>{"nuvix-system"});
}

}  // namespace
