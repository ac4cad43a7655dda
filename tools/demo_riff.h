// A short synthesised riff of plucked strings, for listening to the effect
// without a host.
#pragma once

#include <vector>

std::vector<float> demo_riff(float rate);
