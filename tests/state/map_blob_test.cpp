#include "state/map_blob.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <string>

#include "state_test_support.h"

namespace {

using namespace std::string_literals;

std::string write_blob(const entry_list &entries) {
  byte_map_ptr map(byte_map_create());
  map_insert_all(map.get(), entries);
  size_t size = 0;
  malloc_ptr bytes(map_blob_write(map.get(), &size));
  return bytes ? bytes_text(bytes.get(), size) : "(none)";
}

entry_list read_blob(const std::string &blob) {
  errno = 0;
  byte_map_ptr map(map_blob_read(blob.data(), blob.size()));
  if (!map) return {{"errno", std::to_string(errno)}};
  return map_entries(map.get());
}

entry_list failed_with_einval() { return {{"errno", std::to_string(EINVAL)}}; }

std::string u32(uint32_t v) {
  return {char(v & 0xff), char(v >> 8 & 0xff), char(v >> 16 & 0xff), char(v >> 24 & 0xff)};
}

std::string record(const std::string &key, const std::string &value) {
  return u32(uint32_t(key.size())) + u32(uint32_t(value.size())) + key + value;
}

TEST(map_blob, record_layout_is_exact) {
  EXPECT_EQ(write_blob({{"format", "vst3"}}), "\x06\0\0\0\x04\0\0\0formatvst3"s);
  EXPECT_EQ(write_blob({{"z", ""}, {"a", "1"}, {"m", std::string(300, 'v')}}),
            record("a", "1") + record("m", std::string(300, 'v')) + record("z", ""));
}

TEST(map_blob, maps_that_cannot_be_read_back_are_not_written) {
  EXPECT_EQ(write_blob({}), "(none)");
  EXPECT_EQ(write_blob({{"a", "1"}, {"", "empty key"}}), "(none)");
}

TEST(map_blob, round_trip_keeps_repeated_keys_and_binary_values) {
  const entry_list entries = {{"bypass", "\0\0\0\0"s}, {"k", "2"}, {"k", "1"}, {"key\0with zero"s, "\xff"}};
  entry_list back = read_blob(write_blob(entries));
  EXPECT_EQ(back.size(), entries.size());
  std::sort(back.begin(), back.end());
  entry_list expected = entries;
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(back, expected);
}

TEST(map_blob, reader_refuses_truncated_records_and_empty_keys) {
  const std::string good = record("id", "quenvar-skarrow") + record("x", "");
  const entry_list fine = {{"id", "quenvar-skarrow"}, {"x", ""}};
  struct row {
    const char *what;
    std::string blob;
    entry_list expected;
  } rows[] = {
      {"empty", "", {}},
      {"two records", good, fine},
      {"trailing 1 byte", good + "\x01", failed_with_einval()},
      {"trailing 7 bytes", good + std::string(7, '\0'), failed_with_einval()},
      {"key past the end", good + u32(4) + u32(0) + "abc", failed_with_einval()},
      {"value past the end", good + u32(1) + u32(3) + "kvv", failed_with_einval()},
      {"empty key", u32(0) + u32(1) + "v", failed_with_einval()},
      {"lengths that overflow", u32(0xffffffff) + u32(0xffffffff) + "k", failed_with_einval()},
      {"value length wraps key", u32(2) + u32(0xfffffffe) + "kv", failed_with_einval()},
  };
  for (const row &r : rows) EXPECT_EQ(read_blob(r.blob), r.expected) << r.what;
}

TEST(map_blob, reader_borrows_from_the_blob) {
  const std::string blob = record("k", "value");
  byte_map_ptr map(map_blob_read(blob.data(), blob.size()));
  size_t length = 0;
  EXPECT_EQ(byte_map_find(map.get(), "k", 1, &length), blob.data() + 9);
  EXPECT_EQ(length, 5u);
}

TEST(map_blob, out_of_memory) {
  byte_map_ptr map(byte_map_create());
  const entry_list entries = {{"a", "1"}, {"b", "2"}, {"c", "3"}};
  map_insert_all(map.get(), entries);
  EXPECT_EQ(alloc_failure_sweep([&] {
              size_t size = 0;
              malloc_ptr bytes(map_blob_write(map.get(), &size));
              return bytes != nullptr;
            }),
            3);  // one growth per record

  const std::string blob = record("a", "1") + record("b", "2");
  EXPECT_EQ(alloc_failure_sweep([&] {
              errno = 0;
              byte_map_ptr read(map_blob_read(blob.data(), blob.size()));
              int error = errno;
              alloc_hooks_fail_at(0);
              if (!read) {
                EXPECT_EQ(error, ENOMEM);
              }
              return read != nullptr;
            }),
            5);  // the map, then entry and node per record
}

}  // namespace
