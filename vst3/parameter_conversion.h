// How the VST 3 objects map host ids and normalized values onto the
// parameter table.
#pragma once

#include <cstdint>

// The parameter index of a VST 3 id, or -1.
int parameter_index_of_id(uint32_t id);

// plain = min + (max - min) * normalized in double precision.
double parameter_plain(int index, double normalized);

// A plain value as the host conversions store it: bypass snapped to 0 or 1
// (at least 0.5 is 1), then clamped to the parameter's range.
double parameter_snap_clamp(int index, double plain);
