// Running whole files through the engine, one engine per channel.
#pragma once

#include "render_options.h"

#include <string>

// Each returns 0, or 1 with a message in error. OUT is never IN.
int render_sound_file(const render_options &options, std::string *error);
int render_raw_file(const render_options &options, std::string *error);
// The built-in riff through the effect, as a 16-bit WAV file.
int render_demo(const render_options &options, std::string *error);
