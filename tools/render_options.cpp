#include "render_options.h"

#include "parameters.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

const char render_usage[] =
    "usage: skarrow-render [options] IN OUT\n"
    "       skarrow-render [options] --demo OUT\n"
    "Runs an audio file through the Skarrow overdrive; OUT gets IN's format and rate.\n"
    "  --drive P    0 to 100 %  (50)      --tone P     0 to 100 %  (50)\n"
    "  --heat P     0 to 100 %  (50)      --mix P      0 to 100 %  (100)\n"
    "  --volume P   0 to 200 %  (100)     --bypass B   0 or 1      (0)\n"
    "  --block N    frames per block, 1 to 65536 (512)\n"
    "  --float      write 32-bit float samples\n"
    "  --raw RATE   IN and OUT are headerless little-endian 32-bit float mono at RATE Hz\n"
    "  --demo OUT   render the built-in riff to OUT (WAV)\n";

namespace {

// A whole-string decimal number, finite.
bool parse_number(const char *text, double *value) {
  if (!*text) return false;
  errno = 0;
  char *end = nullptr;
  double v = std::strtod(text, &end);
  if (*end || errno == ERANGE || !std::isfinite(v)) return false;
  *value = v;
  return true;
}

std::string describe(const char *format, const char *a, double lo, double hi, const char *got) {
  char buffer[256];
  std::snprintf(buffer, sizeof buffer, format, a, lo, hi, got);
  return buffer;
}

}  // namespace

bool render_options_parse(int argc, const char *const *argv, render_options *o, std::string *error) {
  for (int i = 0; i < parameter_count; ++i) o->values[i] = float(parameter_table[i].default_value);
  int positional = 0;
  for (int a = 1; a < argc; ++a) {
    const char *arg = argv[a];
    if (!std::strcmp(arg, "--help") || !std::strcmp(arg, "-h")) {
      o->help = true;
      return true;
    }
    if (!std::strcmp(arg, "--float")) {
      o->float_output = true;
      continue;
    }
    if (std::strncmp(arg, "--", 2) == 0 && arg[2]) {
      const char *name = arg + 2;
      if (a + 1 >= argc) {
        *error = std::string("--") + name + " needs a value";
        return false;
      }
      const char *text = argv[++a];
      double v;
      int parameter = -1;
      for (int i = 0; i < parameter_count; ++i) {
        if (!std::strcmp(name, parameter_table[i].key)) parameter = i;
      }
      if (parameter == parameter_bypass) {
        if (!parse_number(text, &v) || (v != 0 && v != 1)) {
          *error = std::string("--bypass must be 0 or 1 (got '") + text + "')";
          return false;
        }
        o->values[parameter] = float(v);
      } else if (parameter >= 0) {
        const parameter_info &p = parameter_table[parameter];
        if (!parse_number(text, &v) || v < p.min || v > p.max) {
          *error = describe("--%s must be a number from %g to %g %% (got '%s')", p.key, p.min, p.max, text);
          return false;
        }
        o->values[parameter] = float(v);
      } else if (!std::strcmp(name, "block")) {
        if (!parse_number(text, &v) || v < 1 || v > 65536 || v != std::floor(v)) {
          *error = describe("--%s must be a whole number from %g to %g (got '%s')", "block", 1, 65536, text);
          return false;
        }
        o->block = unsigned(v);
      } else if (!std::strcmp(name, "raw")) {
        if (!parse_number(text, &v) || v < 1000 || v > 768000) {
          *error = describe("--%s must be a sample rate from %g to %g Hz (got '%s')", "raw", 1000, 768000, text);
          return false;
        }
        o->raw_rate = float(v);
      } else if (!std::strcmp(name, "demo")) {
        o->demo_path = text;
      } else {
        *error = std::string("unknown option --") + name;
        return false;
      }
      continue;
    }
    if (positional == 0) o->input_path = arg;
    if (positional == 1) o->output_path = arg;
    ++positional;
  }
  int wanted = o->demo_path.empty() ? 2 : 0;
  if (positional != wanted) {
    *error = wanted ? "expected IN and OUT" : "--demo takes no IN or OUT besides its own file";
    return false;
  }
  return true;
}
