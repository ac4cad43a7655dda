// Command line of skarrow-render.
#pragma once

#include <string>

struct render_options {
  float values[6];          // plain parameter values, index order
  unsigned block = 512;     // frames per engine_process call
  bool float_output = false;
  float raw_rate = 0;       // > 0: headerless little-endian float mono at this rate
  std::string demo_path;    // --demo OUT
  std::string input_path;
  std::string output_path;
  bool help = false;
};

// Parses argv. Returns true, or false with a message naming the option (and
// its range) in error.
bool render_options_parse(int argc, const char *const *argv, render_options *options, std::string *error);

extern const char render_usage[];
