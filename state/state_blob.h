// Saving and restoring one instance's state blob, shared by the plug-in
// modules. Call from a non-real-time thread: both allocate.
#pragma once

#include <cstddef>
#include <cstdint>

// Builds the state blob of one instance from the engine's six parameter_values
// (index order), its sample_rate, and the format word ("vst3" or "lv2"); "platform"
// is "windows" or "linux" as built. Returns malloc'd bytes (release with free()) and
// their length, or null when memory runs out.
uint8_t *state_blob_save(const float values[6], float sample_rate, const char *format, size_t *size);

// Reads a blob (state_archive_read) and applies state_accept. On success stores the six
// plain values in index order and returns 0; otherwise returns -1 with errno EINVAL
// (malformed or refused) or ENOMEM, and leaves values untouched.
int state_blob_load(const void *data, size_t size, float values[6]);
