#include "state/tar.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "state_test_support.h"

namespace {

using namespace std::string_literals;

std::string write_archive(const entry_list &entries) {
  byte_map_ptr map(byte_map_create());
  map_insert_all(map.get(), entries);
  size_t size = 0;
  malloc_ptr bytes(tar_write(map.get(), &size));
  EXPECT_TRUE(bytes);
  return bytes ? bytes_text(bytes.get(), size) : std::string();
}

// The entries of an archive, or the errno of a failed read (as the only
// entry, named "errno").
entry_list read_archive(const std::string &archive) {
  errno = 0;
  byte_map_ptr map(tar_read(archive.data(), archive.size()));
  if (!map) return {{"errno", std::to_string(errno)}};
  return map_entries(map.get());
}

const entry_list failed_with(int error) { return {{"errno", std::to_string(error)}}; }

TEST(tar, empty_map_is_two_zero_blocks_and_reads_back_empty) {
  std::string archive = write_archive({});
  EXPECT_EQ(archive, std::string(1024, '\0'));
  EXPECT_EQ(read_archive(archive), entry_list{});
  EXPECT_EQ(read_archive(""), entry_list{});
}

TEST(tar, version_header_is_exact) {
  std::string archive = write_archive({{"version", "1.0"}});
  ASSERT_EQ(archive.size(), 512u + 512u + 1024u);
  std::string header(512, '\0');
  auto put = [&](size_t offset, const std::string &field) { header.replace(offset, field.size(), field); };
  put(0, "version");
  put(100, "0000644\0"s);
  put(108, "0000000\0"s);
  put(116, "0000000\0"s);
  put(124, "00000000003\0"s);
  put(136, "00000000000\0"s);
  put(148, "07346\0\0 "s);  // checksum 3814
  put(156, "0");
  put(257, "ustar\0"s "00");
  EXPECT_EQ(archive.substr(0, 512), header);
  EXPECT_EQ(archive.substr(512, 512), "1.0" + std::string(509, '\0'));
  EXPECT_EQ(archive.substr(1024), std::string(1024, '\0'));
}

TEST(tar, contents_take_whole_blocks) {
  struct row {
    size_t content;
    size_t archive;
  } rows[] = {{0, 512 + 1024}, {1, 1024 + 1024}, {512, 1024 + 1024}, {513, 1536 + 1024}, {1500, 2048 + 1024}};
  for (const row &r : rows) {
    std::string content(r.content, 'z');
    std::string archive = write_archive({{"f", content}});
    ASSERT_EQ(archive.size(), r.archive) << r.content;
    char digits[12];
    std::snprintf(digits, sizeof digits, "%011zo", r.content);
    EXPECT_EQ(archive.substr(124, 12), std::string(digits, 12)) << r.content;
    EXPECT_EQ(read_archive(archive), (entry_list{{"f", content}})) << r.content;
  }
}

TEST(tar, entries_are_written_in_key_order) {
  std::string archive = write_archive({{"version", "1.0"}, {"parameters.map", "p"}, {"info.map", "i"}});
  ASSERT_EQ(archive.size(), 3 * 1024u + 1024u);
  EXPECT_EQ(archive.substr(0, 9), "info.map\0"s);
  EXPECT_EQ(archive.substr(1024, 15), "parameters.map\0"s);
  EXPECT_EQ(archive.substr(2048, 8), "version\0"s);
}

TEST(tar, names_the_reader_cannot_give_back_are_refused) {
  struct row {
    std::string name;
    bool written;
  } rows[] = {
      {std::string(99, 'n'), true},
      {std::string(100, 'n'), false},
      {std::string(150, 'n'), false},
      {"", false},            // would read as the end marker
      {"a\0b"s, false},       // would read back as "a"
  };
  for (const row &r : rows) {
    byte_map_ptr map(byte_map_create());
    const entry_list entries = {{"first", "1"}, {r.name, "x"}};
    map_insert_all(map.get(), entries);
    size_t size = 12345;
    malloc_ptr bytes(tar_write(map.get(), &size));
    EXPECT_EQ(bytes != nullptr, r.written) << r.name.size();
    if (!bytes) {
      EXPECT_EQ(size, 12345u);
    }
  }
}

TEST(tar, round_trip_keeps_names_contents_and_duplicates) {
  const entry_list entries = {
      {"bin", "\0\x01\xff\x80 zero bytes inside\0"s},
      {"dup", "second"},
      {"dup", "first"},
      {"empty", ""},
      {"large", std::string(5000, 'L')},
      {std::string(99, 'n'), "long name"},
  };
  std::string archive = write_archive(entries);
  entry_list back = read_archive(archive);
  std::sort(back.begin(), back.end());
  entry_list expected = entries;
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(back, expected);
}

TEST(tar, reader_borrows_names_and_contents) {
  std::string archive = write_archive({{"a", "alpha"}, {"b", "beta"}});
  byte_map_ptr map(tar_read(archive.data(), archive.size()));
  ASSERT_TRUE(map);
  size_t length = 0;
  EXPECT_EQ(byte_map_find(map.get(), "a", 1, &length), archive.data() + 512);
  EXPECT_EQ(byte_map_find(map.get(), "b", 1, &length), archive.data() + 1536);
  std::vector<const void *> keys;
  byte_map_for_each(
      map.get(),
      [](const void *key, size_t, const void *, size_t, void *user) {
        static_cast<std::vector<const void *> *>(user)->push_back(key);
        return 0;
      },
      &keys);
  EXPECT_EQ(keys, (std::vector<const void *>{archive.data(), archive.data() + 1024}));
}

TEST(tar, reader_checks_only_names_sizes_and_bounds) {
  const std::string good = write_archive({{"a", "alpha"}, {"b", "beta"}});
  const entry_list both = {{"a", "alpha"}, {"b", "beta"}};
  auto with = [&](size_t offset, const std::string &bytes) {
    std::string archive = good;
    archive.replace(offset, bytes.size(), bytes);
    return archive;
  };
  struct row {
    const char *what;
    std::string archive;
    entry_list expected;
  } rows[] = {
      {"size digit 8", with(124 + 5, "8"), failed_with(EINVAL)},
      {"size digit space", with(124, " "), failed_with(EINVAL)},
      {"size in second header", with(1024 + 134, "x"), failed_with(EINVAL)},
      {"byte 135 not zero", with(135, " "), failed_with(EINVAL)},
      {"size 2^31", with(124, "20000000000"), failed_with(EINVAL)},
      {"size 2^31-1 past the end", with(124, "17777777777"), failed_with(EINVAL)},
      {"content past the end", with(124, "00000010000"), failed_with(EINVAL)},
      {"header cut short", good.substr(0, 1024 + 511), failed_with(EINVAL)},
      {"content cut short", good.substr(0, 1024 + 512 + 3), failed_with(EINVAL)},
      {"padding after the last content missing", good.substr(0, 1024 + 512 + 4), both},
      {"no end marker", good.substr(0, 2048), both},
      {"wrong checksum", with(148, "11111"), both},
      {"other magic and type", with(156, "5").replace(257, 8, "GNUtar  "), both},
      {"anything after a zero block", good.substr(0, 2048) + std::string(512, '\0') + "garbage", both},
      {"garbage after the end marker", good + "\x01\x02 not a header", both},
      {"name fills all 100 bytes", with(1024, std::string(100, 'N')), {{std::string(100, 'N'), "beta"}, {"a", "alpha"}}},
  };
  for (const row &r : rows) EXPECT_EQ(read_archive(r.archive), r.expected) << r.what;
}

TEST(tar, writer_out_of_memory_frees_and_fails) {
  byte_map_ptr map(byte_map_create());
  const entry_list entries = {{"a", "alpha"}, {"b", std::string(700, 'b')}, {"c", ""}};
  map_insert_all(map.get(), entries);
  const entry_list before = map_entries(map.get());
  int failures = alloc_failure_sweep([&] {
    size_t size = 0;
    malloc_ptr bytes(tar_write(map.get(), &size));
    return bytes != nullptr;
  });
  EXPECT_EQ(failures, 4);  // one growth per entry, then the end marker
  EXPECT_EQ(map_entries(map.get()), before);
}

TEST(tar, reader_out_of_memory_is_enomem) {
  const std::string archive = write_archive({{"a", "alpha"}, {"b", "beta"}, {"c", "gamma"}});
  int failures = alloc_failure_sweep([&] {
    errno = 0;
    byte_map_ptr map(tar_read(archive.data(), archive.size()));
    int error = errno;
    alloc_hooks_fail_at(0);
    if (!map) {
      EXPECT_EQ(error, ENOMEM);
    }
    return map != nullptr;
  });
  EXPECT_EQ(failures, 7);  // the map, then entry and node for each of three
}

}  // namespace
