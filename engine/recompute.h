// The stages keep coefficients that cannot have changed since the last
// sample. Built with ENGINE_RECOMPUTE_ALWAYS they compute everything every
// sample instead: the straightforward form, against which the tests hold the
// cached one to the bit.
#pragma once

#ifdef ENGINE_RECOMPUTE_ALWAYS
constexpr bool recompute_always = true;
#else
constexpr bool recompute_always = false;
#endif
