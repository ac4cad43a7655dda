#include "demo_riff.h"

#include <cmath>
#include <cstdint>

namespace {

// A plucked string: a noise burst circulating in a delay line with a gentle
// low-pass in the loop.
void pluck(std::vector<float> &out, size_t start, float rate, float hz, float seconds, float level, uint32_t seed) {
  size_t period = size_t(rate / hz);
  std::vector<float> line(period);
  for (float &v : line) {
    seed = seed * 1664525u + 1013904223u;
    v = level * (float(seed >> 8) / float(1u << 23) - 1.0f);
  }
  size_t length = size_t(seconds * rate);
  float previous = 0;
  for (size_t i = 0; i < length && start + i < out.size(); ++i) {
    float v = line[i % period];
    float next = 0.996f * 0.5f * (v + previous);
    previous = v;
    line[i % period] = next;
    out[start + i] += v;
  }
}

}  // namespace

std::vector<float> demo_riff(float rate) {
  // E, G, A, then a turnaround: power chords (root and fifth) in eighths at 120 BPM.
  struct note { float beat, root_hz, beats; };
  static const note riff[] = {
      {0, 82.41f, 0.5f},  {0.5f, 82.41f, 0.5f},  {1, 98.0f, 0.5f},    {1.5f, 82.41f, 0.5f},
      {2, 110.0f, 1},     {3, 98.0f, 0.5f},      {3.5f, 82.41f, 0.5f},
  };
  const float beat_seconds = 0.5f;
  const int bars = 5;
  std::vector<float> out(size_t(rate * (bars * 4 * beat_seconds + 1)));
  uint32_t seed = 7;
  for (int bar = 0; bar < bars; ++bar) {
    for (const note &n : riff) {
      size_t at = size_t((bar * 4 + n.beat) * beat_seconds * rate);
      float seconds = n.beats * beat_seconds * 0.95f;
      pluck(out, at, rate, n.root_hz, seconds, 0.25f, seed += 101);
      pluck(out, at, rate, n.root_hz * 1.4983f, seconds, 0.18f, seed += 101);  // the fifth
    }
  }
  return out;
}
