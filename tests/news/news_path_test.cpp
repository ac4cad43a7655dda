// Path building and folder creation: strings for every root form, real
// folders wherever Wine can make them.
#include <string>
#include <vector>

#include "news_store.h"
#include "news_test_fixture.h"

namespace {

struct path_case {
  const char* name;
  std::vector<const char*> components;
  bool leave_out_last;
  const wchar_t* expected;  // after the APPDATA value; null: no path
};

void PrintTo(const path_case& c, std::ostream* out) { *out << c.name; }

const path_case path_cases[] = {
    {"maker_folder_alone", {}, false, L"\\Quenvar"},
    {"file", {"nuvix-news"}, false, L"\\Quenvar\\nuvix-news"},
    {"id_and_file", {"u1", "latest"}, false, L"\\Quenvar\\u1\\latest"},
    {"without_last", {"u1", "latest"}, true, L"\\Quenvar\\u1"},
    {"utf8_to_utf16", {"caf\xc3\xa9 \xf0\x9f\x8e\xb8", "latest"}, false, L"\\Quenvar\\caf\u00e9 \U0001F3B8\\latest"},
    {"spaces_and_dots_inside", {"a b.c", "latest"}, false, L"\\Quenvar\\a b.c\\latest"},
    {"empty_component", {"", "latest"}, false, nullptr},
    {"empty_left_out_component_still_fails", {"u1", ""}, true, nullptr},
    {"invalid_utf8", {"\xff", "latest"}, false, nullptr},
    {"truncated_utf8", {"a\xc3", "latest"}, false, nullptr},
    {"overlong_utf8", {"\xc0\xaf", "latest"}, false, nullptr},
    {"dot", {".", "latest"}, false, nullptr},
    {"dot_dot", {"..", "latest"}, false, nullptr},
    {"dots_and_spaces_only", {". .", "latest"}, false, nullptr},
    {"backslash", {"a\\b", "latest"}, false, nullptr},
    {"slash", {"a/b", "latest"}, false, nullptr},
    {"colon", {"a:b", "latest"}, false, nullptr},
    {"control_character", {"a\nb", "latest"}, false, nullptr},
    {"delete_character", {"a\x7f", "latest"}, false, nullptr},
};

class path_table : public ::testing::TestWithParam<path_case> {};

TEST_P(path_table, built_from_appdata) {
  const path_case& c = GetParam();
  const std::wstring base = L"C:\\Users\\me\\AppData\\Roaming";
  ASSERT_TRUE(news_test_set_appdata(base));
  wchar_t* path = news_store_path(c.components.data(), c.components.size(), c.leave_out_last);
  news_test_set_appdata(L"");
  if (!c.expected) {
    EXPECT_EQ(path, nullptr);
  } else {
    ASSERT_NE(path, nullptr);
    EXPECT_EQ(std::wstring(path), base + c.expected);
  }
  free(path);
}

INSTANTIATE_TEST_SUITE_P(news, path_table, ::testing::ValuesIn(path_cases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(news_path, missing_or_empty_appdata_gives_no_path) {
  const char* components[] = {"nuvix-news"};
  ASSERT_TRUE(news_test_set_appdata(L""));
  EXPECT_EQ(news_store_path(components, 1, false), nullptr);
  EXPECT_EQ(news_store_make_folders(components, 1, true), -1);
  ASSERT_TRUE(SetEnvironmentVariableW(L"APPDATA", L""));
  EXPECT_EQ(news_store_path(components, 1, false), nullptr);
  news_test_set_appdata(L"");
}

struct root_case {
  const wchar_t* path;
  const wchar_t* root;
};

const root_case root_cases[] = {
    {L"C:\\Users\\me", L"C:"},
    {L"z:/tmp", L"z:"},
    {L"C:", L"C:"},
    {L"\\\\server\\share\\Users\\me", L"\\\\server\\share"},
    {L"\\\\server\\share", L"\\\\server\\share"},
    {L"\\\\server/share/x", L"\\\\server/share"},
    {L"\\\\server", L"\\\\server"},
    {L"\\\\?\\C:\\Users", L"\\\\?\\C:"},
    {L"\\\\.\\D:\\Users", L"\\\\.\\D:"},
    {L"\\\\?\\UNC\\server\\share\\Users", L"\\\\?\\UNC\\server\\share"},
    {L"\\\\.\\UNC\\server\\share", L"\\\\.\\UNC\\server\\share"},
    // "UNC\" is matched case-sensitively: otherwise nothing follows the prefix.
    {L"\\\\?\\unc\\server\\share", L"\\\\?\\"},
    {L"\\\\?\\Volume{1}\\Users", L"\\\\?\\"},
    {L"\\\\?\\", L"\\\\?\\"},
    // Two backslashes without the prefix's fourth character: a share.
    {L"\\\\?x\\share\\y", L"\\\\?x\\share"},
    {L"\\Users\\me", L""},
    {L"Users\\me", L""},
    {L"1:\\x", L""},
    {L"", L""},
};

TEST(news_path, root_skipped_before_creating) {
  for (const root_case& c : root_cases)
    EXPECT_EQ(std::wstring(c.path).substr(0, news_store_root_length(c.path)), c.root) << news_test_narrow(c.path);
}

// APPDATA written in the forms a roaming folder may take; each must end in a
// real "<outer>\a\b\Quenvar\u1".
class folder_forms : public news_store_fixture, public ::testing::WithParamInterface<const wchar_t*> {};

TEST_P(folder_forms, creates_every_folder_top_down) {
  std::wstring form = GetParam();
  std::wstring base = form.substr(0, form.find(L'|')) + outer + form.substr(form.find(L'|') + 1);
  ASSERT_TRUE(news_test_set_appdata(base));
  const char* components[] = {"u1", "latest"};
  EXPECT_EQ(news_store_make_folders(components, 2, true), 0);
  EXPECT_TRUE(news_test_is_folder(outer + L"\\a\\b\\Quenvar\\u1"));
  EXPECT_FALSE(news_test_exists(outer + L"\\a\\b\\Quenvar\\u1\\latest"));
  // Existing folders count as made.
  EXPECT_EQ(news_store_make_folders(components, 2, true), 0);
}

// "|" stands for the drive path of the test's own folder.
INSTANTIATE_TEST_SUITE_P(news, folder_forms,
                         ::testing::Values(L"|\\a\\b", L"|//a\\\\b\\", L"|/a/b", L"\\\\?\\|\\a\\b",
                                           L"\\\\.\\|\\a\\b"),
                         [](const auto& info) { return std::to_string(info.index); });

TEST_F(news_store_fixture, folder_creation_stops_at_a_file) {
  ASSERT_TRUE(news_test_write_raw(outer + L"\\plain", "x"));
  ASSERT_TRUE(news_test_set_appdata(outer + L"\\plain\\roaming"));
  const char* components[] = {"u1", "latest"};
  EXPECT_EQ(news_store_make_folders(components, 2, true), -1);
  // A network share that is not there fails the same way, without creating
  // anything locally.
  ASSERT_TRUE(news_test_set_appdata(L"\\\\skarrow-no-such-server\\share\\roaming"));
  EXPECT_EQ(news_store_make_folders(components, 2, true), -1);
}

}  // namespace
