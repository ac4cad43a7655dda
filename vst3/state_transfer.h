// Moving the state blob through the host's streams, and handing restored
// values to a processor or controller.
#pragma once

#include <cstddef>
#include <cstdint>

#include "abi_stream.h"

// The receiver of restored values.
struct state_restore_target {
  void *context;
  void (*lock)(void *context);    // once, before the first value
  void (*unlock)(void *context);  // once, after the last value
  void (*set_value)(void *context, int index, float value);  // plain units, as stored
};

// Reads the whole stream from its first byte, wherever it stands. On success
// returns 0 with a malloc'd buffer (release with free()) and its size; an
// empty stream gives a null buffer and size 0. Returns -1 when seek or tell
// fails, memory runs out or a read comes back short.
int read_whole_stream(IBStream *stream, uint8_t **buffer, size_t *size);

// Writes all bytes from the stream's position on. Returns 0, or -1 when a
// write comes back short (the bytes already written stay).
int write_whole_stream(IBStream *stream, const uint8_t *data, size_t size);

// Reads a blob and, when it is accepted, hands its six values in index order
// to the target under its lock. Returns 0, or -1 with nothing handed on.
int state_restore(const void *data, size_t size, const state_restore_target *target);
