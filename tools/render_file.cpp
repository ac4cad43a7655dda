#include "render_file.h"

#include "demo_riff.h"
#include "engine.h"
#include "float_modes.h"

#include <sndfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

// One engine per channel, all with the same settings.
struct channel_engines {
  std::vector<engine> engines;
  std::vector<float> channel;

  channel_engines(int channels, float rate, const float values[6], unsigned block)
      : engines(size_t(channels)), channel(block) {
    for (engine &e : engines) {
      engine_init(&e);
      for (int i = 0; i < parameter_count; ++i) engine_set_parameter(&e, i, values[i]);
      engine_set_sample_rate(&e, rate);
      engine_reset(&e);
    }
  }

  // Processes frames of interleaved samples in place.
  void process(float *interleaved, size_t frames) {
    const size_t channels = engines.size();
    uint32_t modes = float_modes_enter();
    for (size_t c = 0; c < channels; ++c) {
      for (size_t f = 0; f < frames; ++f) channel[f] = interleaved[f * channels + c];
      engine_process(&engines[c], channel.data(), channel.data(), uint32_t(frames));
      for (size_t f = 0; f < frames; ++f) interleaved[f * channels + c] = channel[f];
    }
    float_modes_leave(modes);
  }
};

bool same_file(const std::string &a, const std::string &b) {
  struct stat sa, sb;
  return stat(a.c_str(), &sa) == 0 && stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

// A progress bar on a terminal, and the real-time factor at the end.
struct progress {
  using clock = std::chrono::steady_clock;
  clock::time_point start = clock::now();
  bool shown = isatty(fileno(stderr));
  int last = -1;

  void update(double done, double total) {
    if (!shown || total <= 0) return;
    int percent = int(100 * done / total);
    if (percent == last) return;
    last = percent;
    char bar[41];
    for (int i = 0; i < 40; ++i) bar[i] = i < percent * 40 / 100 ? '#' : '.';
    bar[40] = 0;
    std::fprintf(stderr, "\r[%s] %3d%%", bar, percent);
  }

  void finish(double audio_seconds) {
    double elapsed = std::chrono::duration<double>(clock::now() - start).count();
    if (shown && last >= 0) std::fprintf(stderr, "\r%*s\r", 48, "");
    std::fprintf(stderr, "Rendered %.2f s of audio in %.2f s (%.1fx real time)\n", audio_seconds, elapsed,
                 elapsed > 0 ? audio_seconds / elapsed : 0.0);
  }
};

struct sndfile_closer {
  void operator()(SNDFILE *f) const { sf_close(f); }
};
using sndfile_ptr = std::unique_ptr<SNDFILE, sndfile_closer>;

int fail(std::string *error, const std::string &message) {
  *error = message;
  return 1;
}

}  // namespace

int render_sound_file(const render_options &o, std::string *error) {
  if (same_file(o.input_path, o.output_path)) return fail(error, "OUT is the same file as IN; refusing to overwrite the input");
  SF_INFO in_info{};
  sndfile_ptr in(sf_open(o.input_path.c_str(), SFM_READ, &in_info));
  if (!in) return fail(error, "cannot read " + o.input_path + ": " + sf_strerror(nullptr));

  SF_INFO out_info = in_info;
  out_info.frames = 0;
  if (o.float_output) out_info.format = (in_info.format & SF_FORMAT_TYPEMASK) | SF_FORMAT_FLOAT;
  if (!sf_format_check(&out_info)) {
    return fail(error, std::string("the format of ") + o.input_path +
                           (o.float_output ? " cannot hold 32-bit float samples" : " cannot be written"));
  }
  sndfile_ptr out(sf_open(o.output_path.c_str(), SFM_WRITE, &out_info));
  if (!out) return fail(error, "cannot write " + o.output_path + ": " + sf_strerror(nullptr));
  sf_command(out.get(), SFC_SET_CLIPPING, nullptr, SF_TRUE);  // integer formats clip instead of wrapping

  channel_engines engines(in_info.channels, float(in_info.samplerate), o.values, o.block);
  std::vector<float> buffer(size_t(o.block) * size_t(in_info.channels));
  progress bar;
  sf_count_t done = 0;
  for (;;) {
    sf_count_t frames = sf_readf_float(in.get(), buffer.data(), o.block);
    if (frames <= 0) break;
    engines.process(buffer.data(), size_t(frames));
    if (sf_writef_float(out.get(), buffer.data(), frames) != frames) {
      out.reset();
      unlink(o.output_path.c_str());
      return fail(error, "cannot write " + o.output_path + ": the disk may be full");
    }
    done += frames;
    bar.update(double(done), double(in_info.frames));
  }
  bar.finish(double(done) / in_info.samplerate);
  return 0;
}

int render_raw_file(const render_options &o, std::string *error) {
  if (same_file(o.input_path, o.output_path)) return fail(error, "OUT is the same file as IN; refusing to overwrite the input");
  std::unique_ptr<FILE, int (*)(FILE *)> in(std::fopen(o.input_path.c_str(), "rb"), std::fclose);
  if (!in) return fail(error, "cannot read " + o.input_path);
  std::unique_ptr<FILE, int (*)(FILE *)> out(std::fopen(o.output_path.c_str(), "wb"), std::fclose);
  if (!out) return fail(error, "cannot write " + o.output_path);

  // The samples are little-endian 32-bit floats, as this machine's own.
  channel_engines engines(1, o.raw_rate, o.values, o.block);
  std::vector<float> buffer(o.block);
  progress bar;
  size_t done = 0;
  for (;;) {
    size_t frames = std::fread(buffer.data(), sizeof(float), o.block, in.get());
    if (frames == 0) break;
    engines.process(buffer.data(), frames);
    if (std::fwrite(buffer.data(), sizeof(float), frames, out.get()) != frames) {
      return fail(error, "cannot write " + o.output_path);
    }
    done += frames;
  }
  if (std::ferror(in.get())) return fail(error, "cannot read " + o.input_path);
  if (std::fflush(out.get()) != 0) return fail(error, "cannot write " + o.output_path);
  bar.finish(double(done) / o.raw_rate);
  return 0;
}

int render_demo(const render_options &o, std::string *error) {
  const float rate = 48000;
  std::vector<float> riff = demo_riff(rate);
  SF_INFO info{};
  info.samplerate = int(rate);
  info.channels = 1;
  info.format = SF_FORMAT_WAV | (o.float_output ? SF_FORMAT_FLOAT : SF_FORMAT_PCM_16);
  sndfile_ptr out(sf_open(o.demo_path.c_str(), SFM_WRITE, &info));
  if (!out) return fail(error, "cannot write " + o.demo_path + ": " + sf_strerror(nullptr));
  sf_command(out.get(), SFC_SET_CLIPPING, nullptr, SF_TRUE);
  channel_engines engines(1, rate, o.values, o.block);
  progress bar;
  for (size_t at = 0; at < riff.size(); at += o.block) {
    size_t frames = std::min<size_t>(o.block, riff.size() - at);
    engines.process(riff.data() + at, frames);
    bar.update(double(at + frames), double(riff.size()));
  }
  if (sf_writef_float(out.get(), riff.data(), sf_count_t(riff.size())) != sf_count_t(riff.size())) {
    return fail(error, "cannot write " + o.demo_path);
  }
  bar.finish(double(riff.size()) / rate);
  return 0;
}
