// Flush-to-zero and denormals-are-zero around audio processing. The engine's
// filters and smoothers decay toward zero and rely on tiny values being
// flushed; the host gets its own modes back afterwards.
#pragma once

#include <cstdint>
#include <xmmintrin.h>

// Switches both modes on; returns the caller's control word for float_modes_leave.
inline uint32_t float_modes_enter() {
  uint32_t saved = _mm_getcsr();
  _mm_setcsr(saved | 0x8040u);  // FTZ (bit 15) | DAZ (bit 6)
  return saved;
}

inline void float_modes_leave(uint32_t saved) { _mm_setcsr(saved); }
