#include "state/state_archive.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#include "state_test_support.h"
#include "state/tar.h"

namespace {

using namespace std::string_literals;

std::string u32(uint32_t v) {
  return {char(v & 0xff), char(v >> 8 & 0xff), char(v >> 16 & 0xff), char(v >> 24 & 0xff)};
}

std::string f32(float f) {
  uint32_t bits;
  std::memcpy(&bits, &f, 4);
  return u32(bits);
}

std::string tar_of(const entry_list &entries) {
  byte_map_ptr map(byte_map_create());
  map_insert_all(map.get(), entries);
  size_t size = 0;
  malloc_ptr bytes(tar_write(map.get(), &size));
  return bytes ? bytes_text(bytes.get(), size) : "(none)";
}

std::string map_blob_of(const entry_list &entries) {
  byte_map_ptr map(byte_map_create());
  map_insert_all(map.get(), entries);
  size_t size = 0;
  malloc_ptr bytes(map_blob_write(map.get(), &size));
  return bytes ? bytes_text(bytes.get(), size) : "";
}

const entry_list standard_info = {
    {"id", "quenvar-skarrow"}, {"version_major", u32(1)}, {"version_minor", u32(1)},
    {"version_revision", u32(2)}, {"version_build", u32(1)}, {"format", "lv2"},
    {"platform", "linux"}, {"sample_rate", f32(44100)},
};

entry_list parameters_of(const float v[6]) {
  return {{"drive", f32(v[0])}, {"tone", f32(v[1])}, {"heat", f32(v[2])},
          {"mix", f32(v[3])},   {"volume", f32(v[4])}, {"bypass", f32(v[5])}};
}

const float some_values[6] = {10, 20, 30, 40, 150, 1};

// A blob assembled entry by entry, so each part can be left out or changed.
struct blob_parts {
  entry_list info = standard_info;
  entry_list parameters = parameters_of(some_values);
  std::string version = "1.0";
  entry_list inner_extras, outer_extras;
  bool with_version = true, with_info = true, with_parameters = true, with_dsp = true;

  std::string inner() const {
    entry_list inner = inner_extras;
    if (with_version) inner.push_back({"version", version});
    if (with_info) inner.push_back({"info.map", map_blob_of(info)});
    if (with_parameters) inner.push_back({"parameters.map", map_blob_of(parameters)});
    return tar_of(inner);
  }
  std::string blob() const {
    entry_list outer = outer_extras;
    if (with_dsp) outer.push_back({"dsp.tar", inner()});
    return tar_of(outer);
  }
};

// 0 on success, else errno; on failure the record must be all null.
int read_state(state_archive *archive, const std::string &blob) {
  std::memset(archive, 0x5a, sizeof *archive);
  errno = 0;
  if (state_archive_read(archive, blob.data(), blob.size()) == 0) return 0;
  EXPECT_EQ(archive->info, nullptr);
  EXPECT_EQ(archive->parameters, nullptr);
  EXPECT_EQ(archive->inner_extras, nullptr);
  EXPECT_EQ(archive->outer_extras, nullptr);
  return errno;
}

std::string write_state(const state_archive &archive) {
  size_t size = 0;
  malloc_ptr bytes(state_archive_write(&archive, &size));
  return bytes ? bytes_text(bytes.get(), size) : "(none)";
}

TEST(state_archive, written_archive_reads_back_equal) {
  const entry_list parameters = parameters_of(some_values);
  state_archive archive;
  ASSERT_EQ(state_archive_init(&archive), 0);
  map_insert_all(archive.info, standard_info);
  map_insert_all(archive.parameters, parameters);
  const std::string blob = write_state(archive);
  EXPECT_EQ(blob, blob_parts{}.blob());

  state_archive back;
  ASSERT_EQ(read_state(&back, blob), 0);
  EXPECT_STREQ(back.version, "1.0");
  EXPECT_EQ(map_entries(back.info), map_entries(archive.info));
  EXPECT_EQ(map_entries(back.parameters), map_entries(archive.parameters));
  EXPECT_EQ(map_entries(back.inner_extras), entry_list{});
  EXPECT_EQ(map_entries(back.outer_extras), entry_list{});
  state_archive_free(&back);
  state_archive_free(&archive);
  EXPECT_EQ(archive.info, nullptr);
}

TEST(state_archive, unknown_entries_of_both_levels_are_kept_and_written_back) {
  blob_parts parts;
  parts.inner_extras = {{"notes", "inner words"}, {"zzz", ""}};
  parts.outer_extras = {{"readme", "outer words"}, {"a", "first"}};
  const std::string blob = parts.blob();
  state_archive archive;
  ASSERT_EQ(read_state(&archive, blob), 0);
  EXPECT_EQ(map_entries(archive.inner_extras), (entry_list{{"notes", "inner words"}, {"zzz", ""}}));
  EXPECT_EQ(map_entries(archive.outer_extras), (entry_list{{"a", "first"}, {"readme", "outer words"}}));
  EXPECT_EQ(write_state(archive), blob);  // nothing lost, byte for byte
  state_archive_free(&archive);
}

TEST(state_archive, version_is_1_0_and_optional_white_space) {
  struct row {
    std::string version;
    int expected;
  } rows[] = {
      {"1.0", 0},         {"1.0\n", 0},      {"1.0\n  ", 0},   {"1.0\t\v\f\r ", 0},
      {"1.0x", EINVAL},   {"1.0 x", EINVAL}, {"1.1", EINVAL},  {"1.", EINVAL},
      {"", EINVAL},       {" 1.0", EINVAL},  {"1.0\0"s, EINVAL}, {"10.0", EINVAL},
  };
  for (const row &r : rows) {
    blob_parts parts;
    parts.version = r.version;
    state_archive archive;
    EXPECT_EQ(read_state(&archive, parts.blob()), r.expected) << r.version;
    state_archive_free(&archive);
  }
}

TEST(state_archive, malformed_blobs_are_refused_with_einval) {
  auto without = [](bool blob_parts::*part) {
    blob_parts parts;
    parts.*part = false;
    return parts.blob();
  };
  blob_parts bad_info;
  bad_info.info.clear();
  std::string truncated_map = u32(2) + u32(10) + "id";
  std::string inner_bad_size = blob_parts{}.inner();
  inner_bad_size[124] = 'x';
  std::string outer_bad = blob_parts{}.blob();
  outer_bad[135] = '1';
  struct row {
    const char *what;
    std::string blob;
  } rows[] = {
      {"no dsp.tar", without(&blob_parts::with_dsp)},
      {"no version", without(&blob_parts::with_version)},
      {"no info.map", without(&blob_parts::with_info)},
      {"no parameters.map", without(&blob_parts::with_parameters)},
      {"outer archive malformed", outer_bad},
      {"inner archive malformed", tar_of({{"dsp.tar", inner_bad_size}})},
      {"dsp.tar is not an archive", tar_of({{"dsp.tar", "just text, not a header"}})},
      {"info.map truncated", tar_of({{"dsp.tar", tar_of({{"version", "1.0"}, {"info.map", truncated_map},
                                                           {"parameters.map", map_blob_of(parameters_of(some_values))}})}})},
      {"parameters.map with empty key", tar_of({{"dsp.tar", tar_of({{"version", "1.0"}, {"info.map", map_blob_of(standard_info)},
                                                                     {"parameters.map", u32(0) + u32(0)}})}})},
      {"not a tar at all", "hello"},
  };
  for (const row &r : rows) {
    state_archive archive;
    EXPECT_EQ(read_state(&archive, r.blob), EINVAL) << r.what;
  }
  // An empty map blob is a valid, empty map (state_accept refuses it later).
  state_archive archive;
  EXPECT_EQ(read_state(&archive, tar_of({{"dsp.tar", tar_of({{"version", "1.0"}, {"info.map", ""}, {"parameters.map", ""}})}})), 0);
  EXPECT_EQ(archive.info->root, nullptr);
  state_archive_free(&archive);
}

TEST(state_archive, writing_fails_for_empty_maps_and_long_names) {
  struct row {
    const char *what;
    entry_list info, parameters, inner_extras, outer_extras;
  } rows[] = {
      {"empty parameters", standard_info, {}, {}, {}},
      {"empty info", {}, parameters_of(some_values), {}, {}},
      {"inner extra name of 100 bytes", standard_info, parameters_of(some_values), {{std::string(100, 'n'), ""}}, {}},
      {"outer extra name of 100 bytes", standard_info, parameters_of(some_values), {}, {{std::string(100, 'n'), ""}}},
  };
  for (const row &r : rows) {
    state_archive archive;
    ASSERT_EQ(state_archive_init(&archive), 0);
    map_insert_all(archive.info, r.info);
    map_insert_all(archive.parameters, r.parameters);
    map_insert_all(archive.inner_extras, r.inner_extras);
    map_insert_all(archive.outer_extras, r.outer_extras);
    long live = alloc_hooks_live_blocks();
    EXPECT_EQ(write_state(archive), "(none)") << r.what;
    EXPECT_EQ(alloc_hooks_live_blocks(), live) << r.what;
    state_archive_free(&archive);
  }
}

TEST(state_archive, out_of_memory_frees_everything) {
  state_archive archive;
  EXPECT_GT(alloc_failure_sweep([&] {
              bool ok = state_archive_init(&archive) == 0;
              alloc_hooks_fail_at(0);
              if (!ok) {
                EXPECT_EQ(archive.info, nullptr);
              }
              return ok;
            }),
            0);
  map_insert_all(archive.info, standard_info);
  const entry_list parameters = parameters_of(some_values);
  const entry_list notes = {{"notes", "n"}}, readme = {{"readme", "r"}};
  map_insert_all(archive.parameters, parameters);
  map_insert_all(archive.inner_extras, notes);
  map_insert_all(archive.outer_extras, readme);
  int write_failures = alloc_failure_sweep([&] {
    size_t size = 0;
    malloc_ptr bytes(state_archive_write(&archive, &size));
    return bytes != nullptr;
  });
  EXPECT_GT(write_failures, 10);
  const std::string blob = write_state(archive);
  state_archive_free(&archive);

  int read_failures = alloc_failure_sweep([&] {
    state_archive back;
    errno = 0;
    bool ok = state_archive_read(&back, blob.data(), blob.size()) == 0;
    int error = errno;
    alloc_hooks_fail_at(0);
    if (ok) {
      EXPECT_EQ(map_entries(back.outer_extras), (entry_list{{"readme", "r"}}));
      state_archive_free(&back);
    } else {
      EXPECT_EQ(error, ENOMEM);
      EXPECT_EQ(back.info, nullptr);
    }
    return ok;
  });
  EXPECT_GT(read_failures, 20);
}

TEST(state_accept, takes_all_six_values_or_none) {
  const float inf = std::numeric_limits<float>::infinity();
  const float nan = std::numeric_limits<float>::quiet_NaN();
  auto with_info = [](const std::string &key, const std::string &value) {
    blob_parts parts;
    for (auto &e : parts.info)
      if (e.first == key) e.second = value;
    return parts;
  };
  auto with_parameter = [](const std::string &key, const std::string &value) {
    blob_parts parts;
    for (auto &e : parts.parameters)
      if (e.first == key) e.second = value;
    return parts;
  };
  auto without_parameter = [](const std::string &key) {
    blob_parts parts;
    std::erase_if(parts.parameters, [&](const auto &e) { return e.first == key; });
    return parts;
  };
  blob_parts other_format = with_info("format", "vst3");
  other_format.info.push_back({"platform", "windows"});  // repeated and ignored
  blob_parts without_id;
  std::erase_if(without_id.info, [](const auto &e) { return e.first == "id"; });
  const float infinite[6] = {inf, -inf, 0, 0, 0, 0};
  blob_parts infinite_parts;
  infinite_parts.parameters = parameters_of(infinite);
  struct row {
    const char *what;
    blob_parts parts;
    bool accepted;
  } rows[] = {
      {"standard", blob_parts{}, true},
      {"other format and platform", other_format, true},
      {"other versions and sample rate", with_info("version_major", u32(7)), true},
      {"infinite values", infinite_parts, true},
      {"id differs by one byte", with_info("id", "quenvar-skarrov"), false},
      {"id longer", with_info("id", "quenvar-skarrow\0"s), false},
      {"id shorter", with_info("id", "quenvar-skarro"), false},
      {"no id", without_id, false},
      {"volume of 8 bytes", with_parameter("volume", f32(1) + f32(1)), false},
      {"bypass of 3 bytes", with_parameter("bypass", "\0\0\0"s), false},
      {"tone NaN", with_parameter("tone", f32(nan)), false},
      {"drive negative NaN", with_parameter("drive", u32(0xffc00001)), false},
      {"no heat", without_parameter("heat"), false},
  };
  for (const row &r : rows) {
    const std::string blob = r.parts.blob();
    state_archive archive;
    ASSERT_EQ(read_state(&archive, blob), 0) << r.what;
    float values[6] = {-1, -1, -1, -1, -1, -1};
    errno = 0;
    int result = state_accept(&archive, values);
    state_archive_free(&archive);
    if (r.accepted) {
      EXPECT_EQ(result, 0) << r.what;
      const float *expected = r.parts.parameters == parameters_of(infinite) ? infinite : some_values;
      for (int i = 0; i < 6; ++i) EXPECT_EQ(values[i], expected[i]) << r.what << " " << i;
    } else {
      EXPECT_EQ(result, -1) << r.what;
      EXPECT_EQ(errno, EINVAL) << r.what;
      for (float v : values) EXPECT_EQ(v, -1) << r.what;
    }
  }
}

}  // namespace
