// tar_read on any bytes: no fault, every entry inside the input, and what
// tar_write makes of the entries reads back the same.
#include <cerrno>
#include <cstdlib>

#include "fuzz_check.h"
#include "fuzz_entries.h"
#include "state/tar.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  errno = 0;
  byte_map *map = tar_read(data, size);
  if (!map) {
    FUZZ_CHECK(errno == EINVAL);
    return 0;
  }
  FUZZ_CHECK(fuzz_borrows_from(map, data, size));
  size_t written_size = 0;
  uint8_t *written = tar_write(map, &written_size);
  if (written) {  // fails only for names of 100 bytes
    byte_map *again = tar_read(written, written_size);
    FUZZ_CHECK(again);
    FUZZ_CHECK(fuzz_entries(again) == fuzz_entries(map));
    byte_map_free(again);
    std::free(written);
  }
  byte_map_free(map);
  return 0;
}
