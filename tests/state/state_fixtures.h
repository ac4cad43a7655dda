// Golden state blobs (tests/state/fixtures), compiled in: values drive 62.5,
// tone 30, heat 75, mix 100, volume 150, bypass 0 at 48 kHz, format "vst3".
#pragma once

#include <cstddef>

extern const unsigned char state_vst3_linux[];
extern const size_t state_vst3_linux_size;
extern const unsigned char state_vst3_windows[];
extern const size_t state_vst3_windows_size;
