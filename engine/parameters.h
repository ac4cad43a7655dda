// The six parameters: identity, ranges, defaults, and the curves that turn a
// plain value into the targets the signal chain follows.
#pragma once

#include <cstdint>

enum parameter_index {
  parameter_drive = 0,
  parameter_tone = 1,
  parameter_heat = 2,
  parameter_mix = 3,
  parameter_volume = 4,
  parameter_bypass = 5,
  parameter_count = 6,
};

struct parameter_info {
  int index;
  const char *key;    // name in stored state
  const char *title;  // long and short title shown by hosts
  const char *units;
  double min;
  double max;
  double default_value;
  bool toggle;           // two-state: plain value 0 or 1
  uint32_t vst3_id;
  double default_normalized;
};

extern const parameter_info parameter_table[parameter_count];

// Curves of plain values within the table's ranges.
float parameter_drive_amount(float p);
float parameter_tone_amount(float p);
void parameter_heat_targets(float p, float *corner_low, float *corner_high, float *gain);
float parameter_mix_amount(float p);
float parameter_volume_gain(float p);
float parameter_active_amount(float p);

// Clamps a plain value into the parameter's range (the value itself when it
// is not a number: callers decide what that means).
float parameter_clamp(int index, float value);
