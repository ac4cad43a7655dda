// The approximations against the exact functions over the whole range the
// engine reaches, and at the points where they are exact by construction.
#include "fast_math.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace {

bool is_negative_zero(float x) { return x == 0.0f && std::signbit(x); }

template <class F, class G>
double max_relative_error(F fast, G exact, double lo, double hi, int steps) {
  double worst = 0;
  for (int i = 0; i <= steps; ++i) {
    float x = float(lo + (hi - lo) * i / steps);
    double e = exact(double(x));
    worst = std::max(worst, std::fabs((fast(x) - e) / e));
  }
  return worst;
}

template <class F, class G>
double max_absolute_error(F fast, G exact, double lo, double hi, int steps) {
  double worst = 0;
  for (int i = 0; i <= steps; ++i) {
    float x = float(lo + (hi - lo) * i / steps);
    worst = std::max(worst, std::fabs(fast(x) - exact(double(x))));
  }
  return worst;
}

}  // namespace

TEST(fast_math, rcp_is_close_for_either_sign_and_infinite_at_zero) {
  EXPECT_NEAR(fast_rcp(4.0f), 0.25f, 0.25f * 1.3e-5f);
  EXPECT_NEAR(fast_rcp(-2.0f), -0.5f, 0.5f * 1.3e-5f);
  EXPECT_EQ(fast_rcp(0.0f), INFINITY);
  // Over many binades of both signs, as the stages use it (Hz to µF).
  for (int sign : {1, -1}) {
    double worst = 0;
    for (double x = 1e-30; x < 1e30; x *= 1.0137) {
      float xs = float(sign * x);
      worst = std::max(worst, std::fabs(double(fast_rcp(xs)) * double(xs) - 1.0));
    }
    EXPECT_LT(worst, 1.3e-5) << "sign " << sign;
  }
}

TEST(fast_math, pow2_exact_points_and_bound) {
  EXPECT_EQ(fast_pow2(0.0f), 1.0f);
  EXPECT_NEAR(fast_pow2(-1.0f), 0.5f, 0.5f * 6.2e-4f);  // through n = -2, f = 1
  EXPECT_EQ(fast_pow2(-127.0f), 0.0f);
  EXPECT_LT(max_relative_error(fast_pow2, [](double x) { return std::exp2(x); }, -125.9, 127.0, 200000), 6.2e-4);
}

TEST(fast_math, ln_bound_over_positive_normals) {
  double worst = 0;
  for (double x = 1.2e-38; x < 3e38; x *= 1.00731) {
    worst = std::max(worst, std::fabs(fast_ln(float(x)) - std::log(double(float(x)))));
  }
  EXPECT_LT(worst, 0.0037);
}

TEST(fast_math, omega_points_and_bounds) {
  EXPECT_NEAR(fast_omega(0.0f), 0.5703f, 1e-4f);
  EXPECT_EQ(fast_omega(2e9f), 2e9f);
  // Reference by Newton iteration in double on w + ln w = x.
  auto exact = [](double x) {
    double w = x > 1 ? x - std::log(x) : std::exp(x);
    for (int i = 0; i < 100; ++i) w -= (w + std::log(w) - x) / (1 + 1 / w);
    return w;
  };
  EXPECT_LT(max_absolute_error(fast_omega, exact, -20.0, 20.0, 40000), 0.045);
  EXPECT_NEAR(fast_omega(-3.2f), exact(-3.2), 0.002);
  EXPECT_LT(max_relative_error(fast_omega, exact, 20.0, 1e8, 40000), 1e-3);
}

TEST(fast_math, sin_cos_tan_points_and_bounds) {
  EXPECT_FALSE(std::signbit(fast_sin2pi(0.0f)));
  EXPECT_EQ(fast_sin2pi(0.0f), 0.0f);
  EXPECT_TRUE(is_negative_zero(fast_sin2pi(0.5f)));
  EXPECT_NEAR(fast_sin2pi(0.25f), 1.0f, 1e-5f);
  EXPECT_NEAR(fast_sin2pi(-0.25f), -1.0f, 1e-5f);
  EXPECT_NEAR(fast_sin2pi(0.125f), 0.6964f, 1e-4f);
  const double two_pi = 2 * std::numbers::pi;
  EXPECT_LT(max_absolute_error(fast_sin2pi, [&](double t) { return std::sin(two_pi * t); }, -3.0, 3.0, 600000), 0.011);
  EXPECT_LT(max_absolute_error(fast_cos2pi, [&](double t) { return std::cos(two_pi * t); }, -3.0, 3.0, 600000), 0.011);
}

TEST(fast_math, sqrt_with_exponent_scaling) {
  EXPECT_NEAR(fast_sqrt(4.0f), 2.0f, 2.0f * 6e-6f);
  for (float x : {1e-30f, 1e30f, 1.17549435e-38f, 3e38f}) {
    EXPECT_NEAR(fast_sqrt(x) / std::sqrt(double(x)), 1.0, 6e-6) << x;
  }
  double worst = 0;
  for (double x = 1.2e-38; x < 3e38; x *= 1.00731) {
    worst = std::max(worst, std::fabs(fast_sqrt(float(x)) / std::sqrt(double(float(x))) - 1));
  }
  EXPECT_LT(worst, 6e-6);
}

TEST(fast_math, sign_table) {
  EXPECT_EQ(fast_sign(3.0f), 1.0f);
  EXPECT_EQ(fast_sign(-1e-30f), -1.0f);
  EXPECT_EQ(fast_sign(0.0f), 0.0f);
  EXPECT_EQ(fast_sign(-0.0f), 0.0f);
  EXPECT_EQ(fast_sign(std::nanf("")), 1.0f);
  EXPECT_EQ(fast_sign(-std::nanf("")), -1.0f);
}

TEST(fast_math, bilinear_constant_is_the_prewarped_transform) {
  const float rate = 176400.0f;
  // Within the error of fast_tan2pi at π·fp/rate.
  for (auto [fp, tolerance] : {std::pair{100.0f, 2e-4}, {1000.0f, 2e-3}, {10000.0f, 0.01}, {40000.0f, 0.01}}) {
    double exact = 2 * std::numbers::pi * fp / std::tan(std::numbers::pi * fp / rate);
    EXPECT_NEAR(bilinear_constant(fp, rate, 1.0f / rate, 0.499f * rate) / exact, 1.0, tolerance) << fp;
  }
  // Toward 0 Hz it tends to 2·rate (there the turn r + r - 1 is quantised to
  // 6e-8, which is what is left); above the limit the limit is used.
  EXPECT_NEAR(bilinear_constant(1.0f, rate, 1.0f / rate, 0.499f * rate) / (2 * rate), 1.0, 5e-3);
  EXPECT_EQ(bilinear_constant(1e6f, rate, 1.0f / rate, 0.499f * rate),
            bilinear_constant(0.499f * rate, rate, 1.0f / rate, 0.499f * rate));
}
