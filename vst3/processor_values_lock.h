// The one-byte lock between the audio thread and state calls: taken with an
// atomic exchange of 1, released with an exchange of 0. The audio thread
// tries once and never waits; state calls spin, yielding between attempts.
#pragma once

#include <cstdint>

#if defined(_WIN32)
#include <windows.h>
#else
#include <sched.h>
#endif

inline bool values_lock_try(uint8_t *lock) {
  return __atomic_exchange_n(lock, uint8_t(1), __ATOMIC_ACQUIRE) == 0;
}

inline void values_lock_release(uint8_t *lock) { __atomic_exchange_n(lock, uint8_t(0), __ATOMIC_RELEASE); }

// [non-audio thread] Never call from process.
inline void values_lock_take(uint8_t *lock) {
  while (!values_lock_try(lock)) {
#if defined(_WIN32)
    SwitchToThread();
#else
    sched_yield();
#endif
  }
}
