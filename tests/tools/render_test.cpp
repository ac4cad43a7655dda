// skarrow-render: its options, and the built program on real files.
#include "engine.h"
#include "float_modes.h"
#include "render_options.h"

#include <gtest/gtest.h>
#include <sndfile.h>
#include <sys/wait.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

bool parse(std::vector<const char *> args, render_options *o, std::string *error) {
  args.insert(args.begin(), "skarrow-render");
  return render_options_parse(int(args.size()), args.data(), o, error);
}

// Runs the built program; returns its exit status.
int run(const std::string &arguments) {
  std::string command = std::string(SKARROW_RENDER) + " " + arguments + " >/dev/null 2>&1";
  int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::vector<float> engine_output(const std::vector<float> &in, float rate, unsigned block) {
  engine e;
  engine_init(&e);
  engine_set_sample_rate(&e, rate);
  engine_reset(&e);
  std::vector<float> out(in.size());
  uint32_t modes = float_modes_enter();
  for (size_t at = 0; at < in.size(); at += block) {
    uint32_t n = uint32_t(std::min<size_t>(block, in.size() - at));
    engine_process(&e, in.data() + at, out.data() + at, n);
  }
  float_modes_leave(modes);
  return out;
}

void write_sound(const fs::path &path, int format, int channels, int rate, const std::vector<float> &interleaved) {
  SF_INFO info{};
  info.samplerate = rate;
  info.channels = channels;
  info.format = format;
  SNDFILE *f = sf_open(path.c_str(), SFM_WRITE, &info);
  ASSERT_NE(f, nullptr) << sf_strerror(nullptr);
  sf_writef_float(f, interleaved.data(), sf_count_t(interleaved.size() / channels));
  sf_close(f);
}

std::vector<float> read_sound(const fs::path &path, SF_INFO *info) {
  *info = SF_INFO{};
  SNDFILE *f = sf_open(path.c_str(), SFM_READ, info);
  if (!f) return {};
  std::vector<float> data(size_t(info->frames * info->channels));
  sf_readf_float(f, data.data(), info->frames);
  sf_close(f);
  return data;
}

struct temp_folder {
  fs::path path;
  temp_folder() {
    char name[] = "/tmp/skarrow-render-XXXXXX";
    path = mkdtemp(name);
  }
  ~temp_folder() { fs::remove_all(path); }
  std::string operator/(const char *name) const { return (path / name).string(); }
};

std::vector<float> test_signal(size_t n, float hz, float rate) {
  std::vector<float> x(n);
  for (size_t i = 0; i < n; ++i) x[i] = 0.6f * float(std::sin(2 * std::numbers::pi * hz * double(i) / rate));
  return x;
}

}  // namespace

TEST(render_options, values_and_defaults) {
  render_options o;
  std::string error;
  ASSERT_TRUE(parse({"--drive", "75.5", "--volume", "200", "--bypass", "1", "--block", "64", "--float", "in.wav", "out.wav"}, &o, &error)) << error;
  EXPECT_EQ(o.values[parameter_drive], 75.5f);
  EXPECT_EQ(o.values[parameter_tone], 50.0f);
  EXPECT_EQ(o.values[parameter_mix], 100.0f);
  EXPECT_EQ(o.values[parameter_volume], 200.0f);
  EXPECT_EQ(o.values[parameter_bypass], 1.0f);
  EXPECT_EQ(o.block, 64u);
  EXPECT_TRUE(o.float_output);
  EXPECT_EQ(o.input_path, "in.wav");
  EXPECT_EQ(o.output_path, "out.wav");
}

TEST(render_options, bad_values_name_the_option_and_its_range) {
  struct { std::vector<const char *> args; const char *message; } cases[] = {
      {{"--drive", "101", "a", "b"}, "--drive must be a number from 0 to 100 %"},
      {{"--tone", "-1", "a", "b"}, "--tone must be a number from 0 to 100 %"},
      {{"--volume", "abc", "a", "b"}, "--volume must be a number from 0 to 200 %"},
      {{"--heat", "50x", "a", "b"}, "--heat must be a number from 0 to 100 %"},
      {{"--mix", "nan", "a", "b"}, "--mix must be a number from 0 to 100 %"},
      {{"--bypass", "0.5", "a", "b"}, "--bypass must be 0 or 1"},
      {{"--block", "0", "a", "b"}, "--block must be a whole number from 1 to 65536"},
      {{"--block", "2.5", "a", "b"}, "--block must be a whole number from 1 to 65536"},
      {{"--raw", "10", "a", "b"}, "--raw must be a sample rate from 1000 to 768000 Hz"},
      {{"--drive"}, "--drive needs a value"},
      {{"--loud", "1", "a", "b"}, "unknown option --loud"},
      {{"only-in.wav"}, "expected IN and OUT"},
  };
  for (auto &c : cases) {
    render_options o;
    std::string error;
    EXPECT_FALSE(parse(c.args, &o, &error)) << c.message;
    EXPECT_EQ(error.rfind(c.message, 0), 0u) << error;
  }
  EXPECT_EQ(run("--drive 150 a.wav b.wav"), 2);
}

TEST(render, each_channel_runs_through_its_own_engine_bit_for_bit) {
  temp_folder dir;
  const int rate = 44100;
  std::vector<float> left = test_signal(20000, 220, rate), right = test_signal(20000, 1500, rate);
  std::vector<float> interleaved;
  for (size_t i = 0; i < left.size(); ++i) interleaved.insert(interleaved.end(), {left[i], right[i]});
  write_sound(dir / "in.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_24, 2, rate, interleaved);

  ASSERT_EQ(run("--float --block 300 " + dir / "in.wav" + " " + dir / "out.wav"), 0);
  SF_INFO in_info, out_info;
  std::vector<float> in = read_sound(dir / "in.wav", &in_info), out = read_sound(dir / "out.wav", &out_info);
  EXPECT_EQ(out_info.format, SF_FORMAT_WAV | SF_FORMAT_FLOAT);
  EXPECT_EQ(out_info.samplerate, rate);
  ASSERT_EQ(out_info.channels, 2);
  ASSERT_EQ(out.size(), in.size());
  for (int c = 0; c < 2; ++c) {
    std::vector<float> channel;
    for (size_t i = c; i < in.size(); i += 2) channel.push_back(in[i]);
    std::vector<float> expected = engine_output(channel, rate, 300);
    for (size_t i = 0; i < expected.size(); ++i) ASSERT_EQ(out[i * 2 + c], expected[i]) << c << " " << i;
  }

  // Without --float the output keeps the input's format.
  ASSERT_EQ(run(dir / "in.wav" + " " + dir / "same.wav"), 0);
  read_sound(dir / "same.wav", &out_info);
  EXPECT_EQ(out_info.format, SF_FORMAT_WAV | SF_FORMAT_PCM_24);
  EXPECT_EQ(out_info.frames, in_info.frames);
}

TEST(render, raw_round_trip_is_the_engine_output_exactly) {
  temp_folder dir;
  std::vector<float> in = test_signal(9000, 440, 96000);
  std::ofstream(dir / "in.raw", std::ios::binary).write(reinterpret_cast<const char *>(in.data()), in.size() * 4);
  ASSERT_EQ(run("--raw 96000 " + dir / "in.raw" + " " + dir / "out.raw"), 0);
  std::vector<float> out(in.size() + 1);
  std::ifstream file(dir / "out.raw", std::ios::binary);
  file.read(reinterpret_cast<char *>(out.data()), out.size() * 4);
  ASSERT_EQ(file.gcount(), std::streamsize(in.size() * 4));
  out.pop_back();
  std::vector<float> expected = engine_output(in, 96000, 512);
  EXPECT_EQ(std::memcmp(out.data(), expected.data(), in.size() * 4), 0);
}

TEST(render, errors_exit_with_status_1_and_never_touch_the_input) {
  temp_folder dir;
  write_sound(dir / "in.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 1, 48000, test_signal(4800, 440, 48000));
  write_sound(dir / "in.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 1, 48000, test_signal(4800, 440, 48000));
  std::ofstream(dir / "notes.txt") << "not audio\n";
  auto before = fs::file_size(dir / "in.wav");
  fs::create_directory(dir / "folder");

  struct { std::string arguments; const char *why; } cases[] = {
      {dir / "missing.wav" + " " + dir / "out.wav", "unreadable input"},
      {dir / "notes.txt" + " " + dir / "out.wav", "unsupported format"},
      {dir / "in.wav" + " " + dir / "no/such/folder/out.wav", "unwritable output"},
      {dir / "in.wav" + " " + dir / "folder", "output is a folder"},
      {dir / "in.wav" + " " + dir / "in.wav", "OUT is IN"},
      {dir / "in.wav" + " " + (dir.path / "." / "in.wav").string(), "OUT is IN by another path"},
      {"--float " + dir / "in.flac" + " " + dir / "out.flac", "FLAC holds no float samples"},
      {"--raw 44100 " + dir / "missing.raw" + " " + dir / "out.raw", "unreadable raw input"},
  };
  for (auto &c : cases) EXPECT_EQ(run(c.arguments), 1) << c.why;
  EXPECT_EQ(fs::file_size(dir / "in.wav"), before);
  SF_INFO info;
  EXPECT_FALSE(read_sound(dir / "in.wav", &info).empty());
}

TEST(render, demo_writes_the_riff) {
  temp_folder dir;
  ASSERT_EQ(run("--demo " + dir / "demo.wav"), 0);
  SF_INFO info;
  std::vector<float> demo = read_sound(dir / "demo.wav", &info);
  EXPECT_EQ(info.samplerate, 48000);
  EXPECT_NEAR(double(info.frames) / info.samplerate, 10.0, 1.5);
  float peak = 0;
  for (float v : demo) peak = std::max(peak, std::fabs(v));
  EXPECT_GT(peak, 0.05f);
}
