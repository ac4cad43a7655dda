// map_blob_read on any bytes: no fault, every entry inside the input, and a
// map it reads is written and read back the same.
#include <cerrno>
#include <cstdlib>

#include "fuzz_check.h"
#include "fuzz_entries.h"
#include "state/map_blob.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  errno = 0;
  byte_map *map = map_blob_read(data, size);
  if (!map) {
    FUZZ_CHECK(errno == EINVAL);
    return 0;
  }
  FUZZ_CHECK(fuzz_borrows_from(map, data, size));
  size_t written_size = 0;
  uint8_t *written = map_blob_write(map, &written_size);
  FUZZ_CHECK((written != nullptr) == (map->root != nullptr));
  if (written) {
    FUZZ_CHECK(written_size == size);
    byte_map *again = map_blob_read(written, written_size);
    FUZZ_CHECK(again);
    FUZZ_CHECK(fuzz_entries(again) == fuzz_entries(map));
    byte_map_free(again);
    std::free(written);
  }
  byte_map_free(map);
  return 0;
}
