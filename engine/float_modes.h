// Flush-to-zero and denormals-are-zero around audio processing. The engine's
// filters and smoothers decay toward zero and rely on tiny values being
// flushed; the host gets its own modes back afterwards.
#pragma once

#include <cstdint>
#include <xmmintrin.h>

constexpr uint32_t float_modes_bits = 0x8040u;  // flush-to-zero (bit 15), denormals-are-zero (bit 6)

// Switches both modes on; returns the caller's control word for float_modes_leave.
inline uint32_t float_modes_enter() {
  uint32_t saved = _mm_getcsr();
  _mm_setcsr(saved | float_modes_bits);
  return saved;
}

// Puts back the caller's two mode bits; every other bit (the exception flags
// raised meanwhile among them) stays as it is.
inline void float_modes_leave(uint32_t saved) {
  _mm_setcsr((_mm_getcsr() & ~float_modes_bits) | (saved & float_modes_bits));
}
