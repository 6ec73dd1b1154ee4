// Trend fits of a series: points made here from known equations of state
// and thermal expansions (the formulas written out again below, apart from
// the product's), recovered within their s.u.'s; the minimum checked by the
// test's own chi^2; the s.u.'s against a Monte Carlo of the same data.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "trend/TrendFit.h"

using namespace lattrix;

namespace {

// Birch-Murnaghan 3rd order, written out: P(V) for V0, K0, K'.
double Bm3(double V, double V0, double K0, double Kp) {
  const double x = std::cbrt(V0 / V);
  return 1.5 * K0 * (std::pow(x, 7) - std::pow(x, 5)) * (1 + 0.75 * (Kp - 4) * (x * x - 1));
}

// V at P by bisection on the test's own formula.
double Bm3Volume(double P, double V0, double K0, double Kp) {
  double lo = 0.5 * V0, hi = 1.5 * V0;
  for (int i = 0; i < 200; ++i) (Bm3(0.5 * (lo + hi), V0, K0, Kp) > P ? lo : hi) = 0.5 * (lo + hi);
  return 0.5 * (lo + hi);
}

std::vector<TrendPoint> Bm3Points(std::mt19937& random, double noise, double sigmaX = 0.0) {
  std::normal_distribution<double> normal(0.0, 1.0);
  std::vector<TrendPoint> points;
  for (int i = 0; i < 12; ++i) {
    const double P = 0.8 * i;
    points.push_back({"p", P + sigmaX * normal(random), sigmaX, Bm3Volume(P, 100, 160, 4.5) + noise * normal(random),
                      std::max(noise, 1e-6)});
  }
  return points;
}

TEST(TrendFit, RecoversKnownEquationsOfStateAndExpansion) {
  std::mt19937 random(7);
  // Exact data: the parameters themselves.
  TrendOptions bm3;
  const TrendFit exact = FitTrend(Bm3Points(random, 0.0), bm3);
  ASSERT_TRUE(exact.ok) << exact.message;
  EXPECT_NEAR(exact.values[0], 100.0, 1e-6);
  EXPECT_NEAR(exact.values[1], 160.0, 1e-3);
  EXPECT_NEAR(exact.values[2], 4.5, 1e-4);
  // Noisy data: within three s.u.'s, chi^2 near 1.
  const TrendFit noisy = FitTrend(Bm3Points(random, 0.01), bm3);
  ASSERT_TRUE(noisy.ok);
  const double truth[3] = {100, 160, 4.5};
  for (int k = 0; k < 3; ++k) { EXPECT_LT(std::fabs(noisy.values[k] - truth[k]), 3 * noisy.sigmas[k]) << k; }
  EXPECT_EQ(noisy.names, (std::vector<std::string>{"V0", "K0", "Kp"}));
  EXPECT_EQ(noisy.dof, 9);
  // A length fitted as its cube: M0 = 3 K0, a0 = V0^(1/3).
  std::vector<TrendPoint> lengths = Bm3Points(random, 0.0);
  for (TrendPoint& t : lengths) t.y = std::cbrt(t.y), t.sigmaY = 1e-7;
  TrendOptions axis;
  axis.length = true;
  const TrendFit linear = FitTrend(lengths, axis);
  ASSERT_TRUE(linear.ok);
  EXPECT_EQ(linear.names, (std::vector<std::string>{"a0", "M0", "Mp"}));
  EXPECT_NEAR(linear.values[0], std::cbrt(100.0), 1e-6);
  EXPECT_NEAR(linear.values[1], 480.0, 1e-2);
  // Thermal expansion V0 exp(a0 (T - T0) + a1 (T^2 - T0^2) / 2), T0 = 298.15.
  std::vector<TrendPoint> heated;
  for (int i = 0; i < 10; ++i) {
    const double T = 300 + 60 * i;
    heated.push_back({"t", T, 0, 50 * std::exp(3e-5 * (T - 298.15) + 1e-8 * (T * T - 298.15 * 298.15) / 2), 1e-6});
  }
  TrendOptions thermal;
  thermal.model = TrendModel::kThermal;
  const TrendFit expansion = FitTrend(heated, thermal);
  ASSERT_TRUE(expansion.ok);
  EXPECT_NEAR(expansion.values[0], 50.0, 1e-6);
  EXPECT_NEAR(expansion.values[1], 3e-5, 1e-9);
  EXPECT_NEAR(expansion.values[2], 1e-8, 1e-11);
}

// The s.u.'s agree with the spread of the parameters over 200 data sets of
// the same noise (within the 10 % that 200 samples allow), and an s.u. of
// the pressure widens them.
TEST(TrendFit, StandardUncertaintiesAgreeWithAMonteCarlo) {
  std::mt19937 random(11);
  TrendOptions bm3;
  double sum[3] = {}, sum2[3] = {}, reported[3] = {};
  const int runs = 200;
  for (int run = 0; run < runs; ++run) {
    const TrendFit fit = FitTrend(Bm3Points(random, 0.01), bm3);
    ASSERT_TRUE(fit.ok);
    for (int k = 0; k < 3; ++k) sum[k] += fit.values[k], sum2[k] += fit.values[k] * fit.values[k];
    if (run == 0) {
      // The unscaled s.u.'s of one fit: those of the noise itself.
      for (int k = 0; k < 3; ++k) reported[k] = fit.sigmas[k] / std::sqrt(fit.chi2Reduced);
    }
  }
  for (int k = 0; k < 3; ++k) {
    const double spread = std::sqrt(sum2[k] / runs - (sum[k] / runs) * (sum[k] / runs));
    EXPECT_NEAR(spread / reported[k], 1.0, 0.15) << k;
  }
  const TrendFit withX = FitTrend(Bm3Points(random, 0.01, 0.05), bm3);
  const TrendFit withoutX = FitTrend(Bm3Points(random, 0.01), bm3);
  ASSERT_TRUE(withX.ok && withoutX.ok) << withX.message << withoutX.message;
  EXPECT_GT(withX.sigmas[1] / std::sqrt(withX.chi2Reduced), 2 * withoutX.sigmas[1] / std::sqrt(withoutX.chi2Reduced));
}

TEST(TrendFit, Refusals) {
  std::mt19937 random(3);
  TrendOptions bm3;
  std::vector<TrendPoint> three = Bm3Points(random, 0.01);
  three.resize(3);
  EXPECT_EQ(FitTrend(three, bm3).message, "3 refined points with an x value for 3 parameters: at least 4 are needed !!!");
  std::vector<TrendPoint> negative = Bm3Points(random, 0.01);
  negative[2].y = -1;
  EXPECT_FALSE(FitTrend(negative, bm3).ok);
  // A volume that grows with pressure has no equation of state.
  std::vector<TrendPoint> growing = Bm3Points(random, 0.01);
  for (size_t i = 0; i < growing.size(); ++i) growing[i].y = 100 + 2.0 * static_cast<double>(i);
  const TrendFit wrong = FitTrend(growing, bm3);
  EXPECT_FALSE(wrong.ok);
  EXPECT_FALSE(wrong.message.empty());
  EXPECT_TRUE(wrong.values.empty());
}

}  // namespace
