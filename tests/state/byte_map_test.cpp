#include "state/byte_map.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "state_test_support.h"

namespace {

using namespace std::string_literals;

int sign(int x) { return (x > 0) - (x < 0); }

int compare_keys(const std::string &a, const std::string &b) {
  byte_map_entry ea = {a.size(), 0, reinterpret_cast<const uint8_t *>(a.data()), nullptr};
  byte_map_entry eb = {b.size(), 0, reinterpret_cast<const uint8_t *>(b.data()), nullptr};
  return sign(byte_map_compare(&ea, &eb));
}

// Checks heights, balance and parent links below node; returns the height.
uint64_t check_avl(const byte_map_node *node, const byte_map_node *parent) {
  if (!node) return 0;
  EXPECT_EQ(node->parent, parent);
  uint64_t hl = check_avl(node->left, node), hr = check_avl(node->right, node);
  EXPECT_LE(hl > hr ? hl - hr : hr - hl, 1u);
  uint64_t height = (hl > hr ? hl : hr) + 1;
  EXPECT_EQ(node->height, height);
  return height;
}

TEST(byte_map, empty_map_finds_nothing_and_visits_nothing) {
  byte_map_ptr map(byte_map_create());
  ASSERT_TRUE(map);
  EXPECT_EQ(map->root, nullptr);
  EXPECT_EQ(map->compare, byte_map_compare);
  size_t length = 77;
  EXPECT_EQ(byte_map_find(map.get(), "a", 1, &length), nullptr);
  EXPECT_EQ(length, 77u);
  int calls = 0;
  EXPECT_EQ(byte_map_for_each(
                map.get(), [](const void *, size_t, const void *, size_t, void *u) { return ++*static_cast<int *>(u); },
                &calls),
            0);
  EXPECT_EQ(calls, 0);
}

TEST(byte_map, compare_is_strncmp_then_length) {
  struct row {
    std::string a, b;
    int expected;
  } rows[] = {
      {"info", "info.map", -1},
      {"", "a", -1},
      {"", "", 0},
      {"abc", "abc", 0},
      {"abc", "abd", -1},
      {"b", "abc", 1},
      {"\x80", "\x7f", 1},                  // bytes are unsigned
      {"ab\0x"s, "ab\0y"s, 0},              // equal up to a common zero byte
      {"ab\0x"s, "ab\0"s, 1},               // then the longer one is greater
      {"a\0"s, "a"s, 1},
      {"a\0b"s, "a\x01"s, -1},
  };
  for (const row &r : rows) {
    EXPECT_EQ(compare_keys(r.a, r.b), r.expected) << r.a << " / " << r.b;
    EXPECT_EQ(compare_keys(r.b, r.a), -r.expected) << r.b << " / " << r.a;
  }
}

TEST(byte_map, walk_is_in_key_order_whatever_the_insert_order) {
  struct row {
    entry_list inserted;
    std::vector<std::string> walked;
  } rows[] = {
      {{{"b", ""}, {"a", ""}, {"c", ""}}, {"a", "b", "c"}},
      {{{"info.map", ""}, {"info", ""}}, {"info", "info.map"}},
      {{{"version", ""}, {"parameters.map", ""}, {"info.map", ""}}, {"info.map", "parameters.map", "version"}},
  };
  for (const row &r : rows) {
    byte_map_ptr map(byte_map_create());
    map_insert_all(map.get(), r.inserted);
    std::vector<std::string> keys;
    for (const auto &e : map_entries(map.get())) keys.push_back(e.first);
    EXPECT_EQ(keys, r.walked);
  }
}

TEST(byte_map, equal_key_goes_right_before_the_existing_one) {
  const std::string keys = "dbfaceg";  // a full tree of three levels
  std::vector<std::string> names;
  for (char c : keys) names.push_back(std::string(1, c));
  for (const std::string &duplicate : names) {
    byte_map_ptr map(byte_map_create());
    for (const std::string &k : names) byte_map_insert(map.get(), k.data(), 1, "old", 3);
    ASSERT_EQ(byte_map_insert(map.get(), duplicate.data(), 1, "new", 3), 0);
    entry_list walked = map_entries(map.get());
    ASSERT_EQ(walked.size(), 8u);
    size_t at = 0;
    while (walked[at].first != duplicate) ++at;
    EXPECT_EQ(walked[at], std::make_pair(duplicate, "new"s)) << duplicate;
    EXPECT_EQ(walked[at + 1], std::make_pair(duplicate, "old"s)) << duplicate;
    check_avl(map->root, nullptr);
  }
}

TEST(byte_map, visitor_return_value_stops_the_walk) {
  byte_map_ptr map(byte_map_create());
  const entry_list entries = {{"a", ""}, {"b", ""}, {"c", ""}};
  map_insert_all(map.get(), entries);
  int calls = 0;
  int result = byte_map_for_each(
      map.get(),
      [](const void *, size_t, const void *, size_t, void *u) {
        int &n = *static_cast<int *>(u);
        return ++n == 2 ? 5 : 0;
      },
      &calls);
  EXPECT_EQ(result, 5);
  EXPECT_EQ(calls, 2);
}

TEST(byte_map, thousand_ascending_keys_stay_balanced_and_found) {
  std::vector<std::string> keys;
  for (int i = 0; i < 1000; ++i) {
    char text[8];
    std::snprintf(text, sizeof text, "%04d", i);
    keys.push_back(text);
  }
  byte_map_ptr map(byte_map_create());
  for (const std::string &k : keys) ASSERT_EQ(byte_map_insert(map.get(), k.data(), k.size(), k.data(), k.size()), 0);
  EXPECT_EQ(map->root->height, 10u);
  EXPECT_EQ(check_avl(map->root, nullptr), 10u);
  entry_list walked = map_entries(map.get());
  ASSERT_EQ(walked.size(), keys.size());
  for (size_t i = 0; i < keys.size(); ++i) {
    EXPECT_EQ(walked[i].first, keys[i]);
    size_t length = 0;
    const void *value = byte_map_find(map.get(), keys[i].data(), keys[i].size(), &length);
    ASSERT_NE(value, nullptr);
    EXPECT_EQ(bytes_text(value, length), keys[i]);
  }
  size_t length = 9;
  EXPECT_EQ(byte_map_find(map.get(), "1000", 4, &length), nullptr);
  EXPECT_EQ(byte_map_find(map.get(), "000", 3, &length), nullptr);
  EXPECT_EQ(length, 9u);
}

TEST(byte_map, walk_allocates_nothing) {
  byte_map_ptr map(byte_map_create());
  const entry_list entries = {{"a", "1"}, {"b", "2"}, {"c", "3"}, {"d", "4"}};
  map_insert_all(map.get(), entries);
  alloc_scope scope;
  int sum = 0;
  byte_map_for_each(
      map.get(),
      [](const void *, size_t, const void *v, size_t, void *u) {
        *static_cast<int *>(u) += *static_cast<const char *>(v) - '0';
        return 0;
      },
      &sum);
  EXPECT_EQ(sum, 10);
  EXPECT_EQ(scope.count(), 0);
}

TEST(byte_map, out_of_memory_leaves_the_earlier_entries) {
  alloc_hooks_fail_at(1);
  EXPECT_EQ(byte_map_create(), nullptr);
  alloc_hooks_fail_at(0);

  byte_map_ptr map(byte_map_create());
  const entry_list before = {{"a", "1"}, {"b", "2"}, {"c", "3"}};
  map_insert_all(map.get(), before);
  int failures = alloc_failure_sweep([&] {
    int result = byte_map_insert(map.get(), "bb", 2, "x", 1);
    alloc_hooks_fail_at(0);
    if (result != 0) {
      EXPECT_EQ(result, -1);
      EXPECT_EQ(map_entries(map.get()), before);
      check_avl(map->root, nullptr);
    }
    return result == 0;
  });
  EXPECT_EQ(failures, 2);  // the entry, then the node
  EXPECT_EQ(map_entries(map.get()), (entry_list{{"a", "1"}, {"b", "2"}, {"bb", "x"}, {"c", "3"}}));
}

}  // namespace
