#include "state_transfer.h"

#include <cstdlib>

#include "engine/parameters.h"
#include "state/state_blob.h"

namespace {
constexpr int64_t largest_piece = 2147483647;  // one read or write call moves at most an int32 count
}

int read_whole_stream(IBStream *stream, uint8_t **buffer, size_t *size) {
  *buffer = nullptr;
  *size = 0;
  int64_t position = 0, length = 0;
  if (stream->vtbl->seek(stream, 0, kIBSeekEnd, &position) != kResultOk) return -1;
  if (stream->vtbl->tell(stream, &length) != kResultOk) return -1;
  if (stream->vtbl->seek(stream, 0, kIBSeekSet, &position) != kResultOk) return -1;
  if (length <= 0) return 0;
  if (uint64_t(length) > SIZE_MAX) return -1;
  uint8_t *data = static_cast<uint8_t *>(std::malloc(size_t(length)));
  if (!data) return -1;
  for (int64_t done = 0; done < length;) {
    const int32_t piece = int32_t(length - done < largest_piece ? length - done : largest_piece);
    int32_t got = 0;
    stream->vtbl->read(stream, data + done, piece, &got);
    if (got != piece) {
      std::free(data);
      return -1;
    }
    done += piece;
  }
  *buffer = data;
  *size = size_t(length);
  return 0;
}

int write_whole_stream(IBStream *stream, const uint8_t *data, size_t size) {
  for (size_t done = 0; done < size;) {
    const int32_t piece = int32_t(size - done < size_t(largest_piece) ? size - done : size_t(largest_piece));
    int32_t written = 0;
    stream->vtbl->write(stream, const_cast<uint8_t *>(data + done), piece, &written);
    if (written != piece) return -1;
    done += size_t(piece);
  }
  return 0;
}

int state_restore(const void *data, size_t size, const state_restore_target *target) {
  float values[parameter_count];
  if (!data || size == 0) return -1;  // an empty blob holds no archive
  if (state_blob_load(data, size, values) != 0) return -1;
  target->lock(target->context);
  for (int i = 0; i < parameter_count; ++i) target->set_value(target->context, i, values[i]);
  target->unlock(target->context);
  return 0;
}
