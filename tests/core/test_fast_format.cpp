// The report's fast number formatting against printf itself, over values
// that stress rounding: exact binary fractions that sit on a decimal tie,
// random values of every size the report meets, signed zeros, non-finite.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <limits>
#include <random>
#include <string>

#include "common/TextIO.h"

using namespace lattrix;

namespace {

std::string Printf(double v, int width, int precision) {
  char buf[512];
  std::snprintf(buf, sizeof buf, "%*.*f", width, precision, v);
  return buf;
}

void Expect(double v, int width, int precision) {
  std::string fast;
  AppendFixed(fast, v, width, precision);
  ASSERT_EQ(fast, Printf(v, width, precision)) << "value " << v << " %" << width << "." << precision << "f";
}

}  // namespace

TEST(FastFormat, AgreesWithPrintfOnTiesAndRandomValues) {
  const int formats[][2] = {{4, 2}, {6, 3}, {7, 3}, {8, 3}, {8, 4}, {8, 5}, {9, 4}, {9, 5}, {10, 4}, {10, 5}, {9, 6}, {10, 7}};
  for (const auto& f : formats) {
    // Exact binary fractions: many lie exactly halfway between two printed values.
    for (int n = -5000; n <= 5000; ++n) {
      Expect(n / 1024.0, f[0], f[1]);
      Expect(n / 64.0 + 100.0, f[0], f[1]);
    }
    for (double v : {0.0, -0.0, 1e-300, -1e-300, 0.5e-5, 1e20, -1e20, 123456789.123456,
                     std::numeric_limits<double>::quiet_NaN(), -std::numeric_limits<double>::quiet_NaN(),
                     std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity()})
      Expect(v, f[0], f[1]);
  }
  std::mt19937_64 random(20261206);
  std::uniform_real_distribution<double> exponent(-8.0, 4.0);
  for (int i = 0; i < 200000; ++i) {
    const double v = (i % 2 ? -1 : 1) * std::pow(10.0, exponent(random));
    const auto& f = formats[i % 12];
    Expect(v, f[0], f[1]);
  }
  std::string ints;
  for (int v : {0, 7, -3, 42, 12345, -12345, 2147483647, -2147483647 - 1}) {
    ints.clear();
    AppendInt(ints, v, 4);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%4d", v);
    EXPECT_EQ(ints, buf);
  }
}
