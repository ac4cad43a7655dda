// The one-byte lock between the audio thread and the state calls. The audio
// thread only ever tries it once; the state side spins, yielding the
// processor between attempts, and holds it only to copy six values.
#pragma once

#include <atomic>
#include <cstdint>

using values_lock_byte = std::atomic<uint8_t>;  // 0 free, 1 held

// [audio thread] One attempt: true when the lock was free and is now held.
inline bool values_lock_try(values_lock_byte &lock) { return lock.exchange(1) == 0; }

// [any non-real-time thread] Waits for the lock.
void values_lock_take(values_lock_byte &lock);

inline void values_lock_release(values_lock_byte &lock) { lock.exchange(0); }
