// The engine's own approximations of every transcendental function it uses,
// built from bit manipulation, short polynomials and Newton steps. They are
// part of the sound: filter corners, curves and the clipping solution come out
// exactly as these make them. All evaluate in 32-bit floats in the order
// written; pure functions, safe on any thread.
#pragma once

#include <cstdint>
#include <cstring>
#include <xmmintrin.h>

inline uint32_t float_bits(float x) {
  uint32_t b;
  std::memcpy(&b, &x, sizeof b);
  return b;
}

inline float float_from_bits(uint32_t b) {
  float x;
  std::memcpy(&x, &b, sizeof x);
  return x;
}

inline float float_abs(float x) { return float_from_bits(float_bits(x) & 0x7FFFFFFFu); }

// Truncation toward zero as the processor does it: NaN and out-of-range
// values give INT32_MIN instead of undefined behaviour.
inline int32_t float_truncate(float x) { return _mm_cvttss_si32(_mm_set_ss(x)); }

// x with its fraction bits cleared (toward zero; +0 or -0 below 1 in magnitude).
inline float float_integer_part(float x) {
  uint32_t bits = float_bits(x);
  int32_t exponent = int32_t((bits >> 23) & 0xFF);
  int32_t k = 150 - exponent;
  if (k < 0) k = 0;
  if (k > 23) k = 23;
  uint32_t mask = exponent >= 127 ? (0xFFFFFFFFu << k) : 0x80000000u;
  return float_from_bits(bits & mask);
}

// Reciprocal: a magic seed and two Newton steps. fast_rcp(0) is +infinity.
inline float fast_rcp(float x) {
  float y = float_from_bits(0x7EF0E840u - float_bits(x));
  y = (y + y) - (x * y) * y;
  y = (y + y) - (x * y) * y;
  return y;
}

// 2^x; 0 below -126. Exponents above 127 are never passed.
inline float fast_pow2(float x) {
  if (x < -126.0f) return 0.0f;
  uint32_t n = uint32_t(float_truncate(x)) - (float_bits(x) >> 31);
  float f = x - float(int32_t(n));
  float c = float_from_bits(n * 8388608u + 0x3F800000u);
  return ((0.07944154f * f + 0.22741129f) * f + 0.6931472f) * (f * c) + c;
}

// The bracket of fast_ln before its final scaling by ln 2.
inline float fast_ln_bracket(float x) {
  uint32_t bits = float_bits(x);
  float e = float(int32_t(bits) >> 23);
  float m = float_from_bits((bits & 0x007FFFFFu) | 0x3F800000u);
  return ((0.16404256f * m - 1.0988653f) * m + 3.148298f) * m + (e - 129.21347f);
}

// Natural logarithm of a positive normal x.
inline float fast_ln(float x) { return fast_ln_bracket(x) * 0.6931472f; }

// Wright omega: the w with w + ln w = x. Callers pass x below 1e9 (above it
// the argument itself is the answer).
inline float fast_omega(float x) {
  if (x >= 1e9f) return x;
  float w0;
  if (x < -3.3414595f) {
    w0 = 0.0f;
  } else if (x < 8.0f) {
    w0 = ((-0.0013142931f * x + 0.047759313f) * x + 0.36319527f) * x + 0.63131833f;
  } else {
    w0 = fast_ln_bracket(x) * -0.6931472f + x;
  }
  float p = fast_pow2((x - w0) * 1.442695f);
  return w0 - fast_rcp(1.0f + w0) * (w0 - p);
}

// sin(2π·t), t in turns.
inline float fast_sin2pi(float t) {
  float q = float_integer_part(t);
  if (t < 0.0f && t - q < 0.0f) q = q - 1.0f;
  float r = t - q;
  float g = r + r - 1.0f;
  float l = float_abs((float_abs(g) + float_abs(g)) - 1.0f) * -1.5707964f + 1.5707964f;
  float p = (l * -0.11073982f - 0.05738534f) * (l * l) + l;
  return (float_bits(-g) >> 31) ? -p : p;
}

inline float fast_cos2pi(float t) { return fast_sin2pi(t + 0.25f); }

inline float fast_tan2pi(float t) { return fast_sin2pi(t) * fast_rcp(fast_cos2pi(t)); }

// Square root of x ≥ 2^-126; very large and very small exponents are scaled
// into range first and the root scaled back.
inline float fast_sqrt(float x) {
  uint32_t s = (float_bits(x) >> 26) & 0x38u;
  uint32_t up = (0x200000E0u << s) & 0xE0000000u;
  uint32_t down = (0x100000F0u << s) & 0xF0000000u;
  float xs = float_from_bits(float_bits(x) + up);
  float h = 0.5f * fast_rcp(xs);
  float g = float_from_bits((((float_bits(xs) + 0xC07D5ED9u) >> 1) + 0x3F7D8FC7u) & 0x7FFFFFFFu);
  g = (0.5f - h * g * g) * g + g;
  g = (0.5f - h * g * g) * g + g;
  return float_from_bits(float_bits(g) - down);
}

// 1, -1, or 0 for either zero; a NaN gives ±1 by its sign bit.
inline float fast_sign(float v) {
  static constexpr float table[4] = {0.0f, 1.0f, 0.0f, -1.0f};
  return table[(v != 0.0f ? 1 : 0) + ((float_bits(v) >> 31) ? 2 : 0)];
}

// The prewarped bilinear-transform constant 2π·fp / tan(π·fp/os_rate), with
// fp held below limit (0.499·os_rate).
inline float bilinear_constant(float fp, float os_rate, float inv_os_rate, float limit) {
  (void)os_rate;  // represented by its stored reciprocal and limit
  float w = (limit < fp ? limit : fp) * 3.1415927f;
  float t = inv_os_rate * w * 0.15915494f;
  return (w + w) * fast_rcp(fast_tan2pi(t));
}
