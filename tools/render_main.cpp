// skarrow-render: audio files through the Skarrow engine, without a host.
#include "render_file.h"
#include "render_options.h"

#include <cstdio>

int main(int argc, char **argv) {
  render_options options;
  std::string error;
  if (!render_options_parse(argc, argv, &options, &error)) {
    std::fprintf(stderr, "skarrow-render: %s\n%s", error.c_str(), render_usage);
    return 2;
  }
  if (options.help) {
    std::fputs(render_usage, stdout);
    return 0;
  }
  int status = !options.demo_path.empty() ? render_demo(options, &error)
               : options.raw_rate > 0     ? render_raw_file(options, &error)
                                          : render_sound_file(options, &error);
  if (status != 0) std::fprintf(stderr, "skarrow-render: %s\n", error.c_str());
  return status;
}
