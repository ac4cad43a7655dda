// Output hashes for fixed signals, rates and settings, held to one checked-in
// file: the same bits from every toolchain and from the straightforward
// engine that recomputes everything every sample.
//
// SKARROW_GOLDEN_WRITE=<file> writes the hashes instead of checking them.
#include "engine.h"

#include "fast_math.h"
#include "float_modes.h"

#include <gtest/gtest.h>

#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

// Test signals from float arithmetic and integers only, so every platform's
// inputs are the same bits whatever its math library.
std::vector<float> make_signal(const std::string &name, float rate) {
  size_t n = size_t(rate / 4);
  std::vector<float> x(n);
  float phase = 0, decay = 0.9f;
  uint32_t seed = 12345;
  for (size_t i = 0; i < n; ++i) {
    if (name == "sine") {
      x[i] = 0.5f * fast_sin2pi(phase);
      phase += 440.0f / rate;
      if (phase >= 1.0f) phase -= 1.0f;
    } else if (name == "saw") {
      x[i] = decay * (phase + phase - 1.0f);
      decay *= 0.99993f;
      phase += 110.0f / rate;
      if (phase >= 1.0f) phase -= 1.0f;
    } else if (name == "noise") {
      seed = seed * 1664525u + 1013904223u;
      x[i] = float(int32_t(seed >> 8) - (1 << 23)) * (0.7f / float(1 << 23));
    } else if (name == "impulse") {
      x[i] = i == 10 ? 1.0f : 0.0f;
    } else if (name == "step") {
      x[i] = i < n / 8 ? 0.0f : 0.6f;
    }
  }
  return x;
}

struct setting {
  const char *name;
  bool irregular_blocks;  // blocks of 1 to 300 samples instead of 256
  std::vector<std::pair<int, float>> start;
  std::vector<std::pair<int, float>> after_first_block;
  std::vector<std::pair<int, float>> at_half;
};

const setting settings[] = {
    {"default", false, {}, {}, {}},
    {"hot", false, {{0, 100}, {1, 100}, {2, 0}, {4, 150}}, {}, {}},
    {"soft", true, {{0, 0}, {1, 0}, {2, 100}, {3, 40}, {4, 60}}, {}, {}},
    {"moving", false, {{0, 20}, {1, 80}, {2, 30}}, {{0, 90}, {1, 10}, {2, 80}, {3, 70}, {4, 120}}, {{5, 1}}},
    {"moving-irregular", true, {{0, 20}, {1, 80}, {2, 30}}, {{0, 90}, {1, 10}, {2, 80}, {3, 70}, {4, 120}}, {{5, 1}}},
};

const char *const signals[] = {"sine", "saw", "noise", "impulse", "step"};
const float rates[] = {44100, 48000, 96000, 192000};

uint64_t render_hash(const std::vector<float> &in, float rate, const setting &s) {
  engine e;
  engine_init(&e);
  for (auto [i, v] : s.start) engine_set_parameter(&e, i, v);
  engine_set_sample_rate(&e, rate);
  engine_reset(&e);
  std::vector<float> out(in.size());
  static constexpr size_t irregular[] = {1, 2, 3, 5, 7, 8, 31, 33, 64, 100, 300};
  uint32_t modes = float_modes_enter();
  bool half_done = false;
  size_t at = 0;
  for (size_t b = 0; at < in.size(); ++b) {
    if (b == 1) {
      for (auto [i, v] : s.after_first_block) engine_set_parameter(&e, i, v);
    }
    if (!half_done && at >= in.size() / 2) {
      for (auto [i, v] : s.at_half) engine_set_parameter(&e, i, v);
      half_done = true;
    }
    size_t block = s.irregular_blocks ? irregular[b % std::size(irregular)] : 256;
    size_t count = std::min(block, in.size() - at);
    engine_process(&e, in.data() + at, out.data() + at, uint32_t(count));
    at += count;
  }
  float_modes_leave(modes);
  uint64_t hash = 14695981039346656037ull;  // FNV-1a over the little-endian output bits
  for (float y : out) {
    uint32_t bits = float_bits(y);
    for (int b = 0; b < 4; ++b) hash = (hash ^ ((bits >> (8 * b)) & 0xFF)) * 1099511628211ull;
  }
  return hash;
}

std::map<std::string, std::string> compute_all() {
  std::map<std::string, std::string> hashes;
  for (float rate : rates) {
    for (const char *signal : signals) {
      std::vector<float> in = make_signal(signal, rate);
      for (const setting &s : settings) {
        char key[96], value[24];
        std::snprintf(key, sizeof key, "%s/%d/%s", signal, int(rate), s.name);
        std::snprintf(value, sizeof value, "%016" PRIx64, render_hash(in, rate, s));
        hashes[key] = value;
      }
    }
  }
  return hashes;
}

}  // namespace

TEST(engine_golden, outputs_match_the_checked_in_hashes) {
  std::map<std::string, std::string> computed = compute_all();
  if (const char *path = std::getenv("SKARROW_GOLDEN_WRITE")) {
    std::ofstream out(path);
    for (auto &[key, value] : computed) out << key << ' ' << value << '\n';
    GTEST_SKIP() << "wrote " << path;
  }
  std::ifstream file(GOLDEN_FILE);
  ASSERT_TRUE(file) << GOLDEN_FILE;
  std::map<std::string, std::string> expected;
  std::string key, value;
  while (file >> key >> value) expected[key] = value;
  EXPECT_EQ(expected.size(), computed.size());
  for (auto &[k, v] : computed) EXPECT_EQ(expected[k], v) << k;
}
