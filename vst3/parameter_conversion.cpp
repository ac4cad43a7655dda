#include "parameter_conversion.h"

#include "engine/parameters.h"

int parameter_index_of_id(uint32_t id) {
  for (int i = 0; i < parameter_count; ++i)
    if (parameter_table[i].vst3_id == id) return i;
  return -1;
}

double parameter_plain(int index, double normalized) {
  const parameter_info &info = parameter_table[index];
  return info.min + (info.max - info.min) * normalized;
}

double parameter_snap_clamp(int index, double plain) {
  const parameter_info &info = parameter_table[index];
  if (info.toggle) plain = plain >= 0.5 ? 1.0 : 0.0;
  if (plain < info.min) plain = info.min;
  if (plain > info.max) plain = info.max;
  return plain;
}
