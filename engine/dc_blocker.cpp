#include "dc_blocker.h"

#include "fast_math.h"

// Bilinear transform of s/(s + 2π·F), prewarped at F; the corner is held
// below Nyquist.
void dc_blocker_design(dc_blocker *d, float corner, float rate) {
  float limit = 0.499f * rate;
  float f = limit < corner ? limit : corner;
  float t = f * 3.1415927f * fast_rcp(rate) * 0.15915494f;
  float g = fast_rcp(fast_cos2pi(t)) * fast_sin2pi(t) * corner;
  float r = fast_rcp(f + g);
  d->b0 = f * r;
  d->b1 = -d->b0;
  d->a1 = (g - f) * r;
}
