#include "state/state_blob.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <limits>
#include <string>

#include "state/state_archive.h"
#include "state_fixtures.h"
#include "state_test_support.h"

namespace {

const float golden_values[6] = {62.5f, 30, 75, 100, 150, 0};

std::string save(const float values[6], float rate, const char *format) {
  size_t size = 0;
  malloc_ptr blob(state_blob_save(values, rate, format, &size));
  return blob ? bytes_text(blob.get(), size) : "(none)";
}

bool same_bits(const float a[6], const float b[6]) { return std::memcmp(a, b, 6 * sizeof(float)) == 0; }

TEST(state_blob, matches_the_golden_blob_of_this_platform) {
  const std::string blob = save(golden_values, 48000, "vst3");
  const bool windows = std::strcmp(STATE_PLATFORM, "windows") == 0;
  const std::string golden = windows ? bytes_text(state_vst3_windows, state_vst3_windows_size)
                                     : bytes_text(state_vst3_linux, state_vst3_linux_size);
  EXPECT_EQ(blob.size(), 5632u);
  EXPECT_TRUE(blob == golden) << "the stored format changed";
}

TEST(state_blob, golden_blobs_of_every_platform_load) {
  const std::string golden[] = {bytes_text(state_vst3_linux, state_vst3_linux_size),
                                bytes_text(state_vst3_windows, state_vst3_windows_size)};
  for (const std::string &blob : golden) {
    float values[6] = {};
    ASSERT_EQ(state_blob_load(blob.data(), blob.size(), values), 0);
    EXPECT_TRUE(same_bits(values, golden_values));
  }
}

TEST(state_blob, modules_differ_only_in_the_format_word) {
  const std::string vst3 = save(golden_values, 96000, "vst3");
  const std::string lv2 = save(golden_values, 96000, "lv2");
  state_archive a, b;
  ASSERT_EQ(state_archive_read(&a, vst3.data(), vst3.size()), 0);
  ASSERT_EQ(state_archive_read(&b, lv2.data(), lv2.size()), 0);
  entry_list info_a = map_entries(a.info), info_b = map_entries(b.info);
  ASSERT_EQ(info_a.front(), (std::pair<std::string, std::string>("format", "vst3")));
  ASSERT_EQ(info_b.front(), (std::pair<std::string, std::string>("format", "lv2")));
  info_a.erase(info_a.begin());
  info_b.erase(info_b.begin());
  EXPECT_EQ(info_a, info_b);
  EXPECT_EQ(map_entries(a.parameters), map_entries(b.parameters));
  size_t length = 0;
  const void *platform = byte_map_find(a.info, "platform", 8, &length);
  ASSERT_NE(platform, nullptr);
  EXPECT_EQ(bytes_text(platform, length), STATE_PLATFORM);
  const void *rate = byte_map_find(a.info, "sample_rate", 11, &length);
  ASSERT_EQ(length, 4u);
  EXPECT_EQ(bytes_text(rate, 4), std::string("\x00\x80\xbb\x47", 4));  // 96000.0f little-endian
  state_archive_free(&a);
  state_archive_free(&b);
}

TEST(state_blob, values_come_back_bit_for_bit) {
  const float inf = std::numeric_limits<float>::infinity();
  const float rows[][6] = {
      {0, 0, 0, 0, 0, 0},
      {100, 100, 100, 100, 200, 1},
      {-0.0f, 1e-40f, 3.14159274f, inf, -inf, 0.5f},
  };
  for (const auto &row : rows) {
    const std::string blob = save(row, 44100, "lv2");
    float values[6] = {};
    ASSERT_EQ(state_blob_load(blob.data(), blob.size(), values), 0);
    EXPECT_TRUE(same_bits(values, row));
  }
}

TEST(state_blob, failed_load_leaves_values_untouched) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float with_nan[6] = {1, 2, nan, 4, 5, 0};
  const std::string refused = save(with_nan, 48000, "vst3");
  std::string cut = save(golden_values, 48000, "vst3");
  cut.resize(600);
  const std::string inputs[] = {refused, cut, std::string(1024, '\0'), "not a state"};
  for (const std::string &blob : inputs) {
    float values[6] = {7, 7, 7, 7, 7, 7};
    const float untouched[6] = {7, 7, 7, 7, 7, 7};
    errno = 0;
    EXPECT_EQ(state_blob_load(blob.data(), blob.size(), values), -1);
    EXPECT_EQ(errno, EINVAL);
    EXPECT_TRUE(same_bits(values, untouched));
  }
}

TEST(state_blob, out_of_memory) {
  EXPECT_GT(alloc_failure_sweep([] {
              size_t size = 0;
              malloc_ptr blob(state_blob_save(golden_values, 48000, "lv2", &size));
              return blob != nullptr;
            }),
            10);
  const std::string blob = save(golden_values, 48000, "lv2");
  EXPECT_GT(alloc_failure_sweep([&] {
              float values[6] = {7, 7, 7, 7, 7, 7};
              errno = 0;
              bool ok = state_blob_load(blob.data(), blob.size(), values) == 0;
              int error = errno;
              alloc_hooks_fail_at(0);
              if (!ok) {
                EXPECT_EQ(error, ENOMEM);
                EXPECT_EQ(values[0], 7);
              }
              return ok;
            }),
            10);
}

}  // namespace
