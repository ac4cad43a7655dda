// The stages keep coefficients that cannot have changed since the last
// sample, and the engine runs chunks of samples stage by stage. Built with
// ENGINE_RECOMPUTE_ALWAYS it computes everything every sample, one sample at
// a time through the whole chain, instead: the straightforward form, against
// which the tests hold the fast one to the bit.
#pragma once

#ifdef ENGINE_RECOMPUTE_ALWAYS
constexpr bool recompute_always = true;
#else
constexpr bool recompute_always = false;
#endif
