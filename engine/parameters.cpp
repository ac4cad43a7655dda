#include "parameters.h"

#include "fast_math.h"

// VST 3 ids: the first five are the 31-bit sdbm hashes of their keys; the
// bypass id is a fixed constant.
const parameter_info parameter_table[parameter_count] = {
    {0, "drive", "Drive", "%", 0, 100, 50, false, 1955105482u, 0.5},
    {1, "tone", "Tone", "%", 0, 100, 50, false, 1278044914u, 0.5},
    {2, "heat", "Heat", "%", 0, 100, 50, false, 417465296u, 0.5},
    {3, "mix", "Mix", "%", 0, 100, 100, false, 907392060u, 1.0},
    {4, "volume", "Volume", "%", 0, 200, 100, false, 115099194u, 0.5},
    {5, "bypass", "Bypass", "", 0, 1, 0, true, 150732888u, 0.0},
};

float parameter_clamp(int index, float value) {
  const parameter_info &info = parameter_table[index];
  float lo = float(info.min), hi = float(info.max);
  if (value < lo) return lo;
  if (value > hi) return hi;
  return value;
}

// Exponential drive taper; the clipping stage keeps a minimum gain, so the
// curve never reaches 0.
float parameter_drive_amount(float p) {
  float x = p * 0.03318557f - 3.166179f;
  float c = fast_pow2(x) - 0.03214286f;
  if (c < 0.0f) c = 0.0f;
  if (c > 1.0f) c = 1.0f;
  return c;
}

// Piecewise-linear tone taper. The step 0.19999999 (not 0.2) keeps p = 100
// inside the last segment, so index 21 is only ever the upper neighbour.
float parameter_tone_amount(float p) {
  static constexpr float tone_curve[22] = {
      0.0f,      0.0742931f, 0.116187f, 0.14277f,  0.180259f, 0.239614f, 0.369825f, 0.595395f,
      0.757983f, 0.844386f,  0.893214f, 0.919288f, 0.944411f, 0.953084f, 0.957435f, 0.962373f,
      0.967974f, 0.974329f,  0.981539f, 0.989719f, 1.0f,      1.0f,
  };
  float s = p * 0.19999999f;
  int32_t i = float_truncate(s);
  float f = s - float(i);
  float v = tone_curve[i] + (tone_curve[i + 1] - tone_curve[i]) * f;
  if (v < 0.001f) v = 0.001f;
  if (v > 0.999f) v = 0.999f;
  return v;
}

// The two corner frequencies (Hz) halve every 25.085 units of heat and meet
// 720 Hz / 5.66 kHz at heat 50; the gain corrects the level after clipping.
void parameter_heat_targets(float p, float *corner_low, float *corner_high, float *gain) {
  float c = -0.039863136f * p + 1.9931569f;
  float d = fast_pow2(c);
  *corner_low = 720.48413f * d;
  *corner_high = 5663.6753f * d;
  *gain = (4.771561e-5f * p - 0.010261261f) * p + 1.393774f;
}

// (49^(p/100) - 1) / 48: 0 dry only, 1 processed only. Unclamped.
float parameter_mix_amount(float p) {
  float x = p * 0.0561471f - 5.5849624f;
  return fast_pow2(x) - 0.020833334f;
}

// -12.04 - 24·c dB: linear in dB from 10 to 200 %, steeper below, silent
// below 0.1 %.
float parameter_volume_gain(float p) {
  float x = p * 0.01f;
  if (x < 0.001f) return 0.0f;
  float c = x < 0.1f ? fast_rcp(x) * 0.01f + 0.8f : 1.0f - x;
  float y = c * -1.2f * 3.321928f;
  return fast_pow2(y) * 0.25f;
}

float parameter_active_amount(float p) { return p >= 0.5f ? 0.0f : 1.0f; }
