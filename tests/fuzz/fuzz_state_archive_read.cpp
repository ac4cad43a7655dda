// state_archive_read and state_accept on any bytes: no fault, and a state
// that reads is written again and reads back with the same verdict and values.
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "fuzz_check.h"
#include "fuzz_entries.h"
#include "state/state_archive.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  state_archive archive;
  errno = 0;
  if (state_archive_read(&archive, data, size) != 0) {
    FUZZ_CHECK(errno == EINVAL);
    FUZZ_CHECK(!archive.info && !archive.parameters && !archive.inner_extras && !archive.outer_extras);
    return 0;
  }
  FUZZ_CHECK(fuzz_borrows_from(archive.info, data, size));
  FUZZ_CHECK(fuzz_borrows_from(archive.parameters, data, size));
  FUZZ_CHECK(fuzz_borrows_from(archive.inner_extras, data, size));
  FUZZ_CHECK(fuzz_borrows_from(archive.outer_extras, data, size));
  float values[6];
  int verdict = state_accept(&archive, values);

  size_t written_size = 0;
  uint8_t *written = state_archive_write(&archive, &written_size);
  if (written) {
    state_archive again;
    FUZZ_CHECK(state_archive_read(&again, written, written_size) == 0);
    FUZZ_CHECK(fuzz_entries(again.info) == fuzz_entries(archive.info));
    FUZZ_CHECK(fuzz_entries(again.parameters) == fuzz_entries(archive.parameters));
    FUZZ_CHECK(fuzz_entries(again.inner_extras) == fuzz_entries(archive.inner_extras));
    FUZZ_CHECK(fuzz_entries(again.outer_extras) == fuzz_entries(archive.outer_extras));
    // With repeated keys the verdict may rest on another duplicate.
    if (!fuzz_has_equal_keys(archive.info) && !fuzz_has_equal_keys(archive.parameters)) {
      float values_again[6];
      FUZZ_CHECK(state_accept(&again, values_again) == verdict);
      if (verdict == 0) FUZZ_CHECK(std::memcmp(values, values_again, sizeof values) == 0);
    }
    state_archive_free(&again);
    std::free(written);
  }
  state_archive_free(&archive);
  return 0;
}
