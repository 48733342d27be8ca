// The central mean found near a hint (the last window, widened) must be, bit for bit, the central
// mean of a full ascending sort, whatever the hint: right, too narrow, beside the window, empty,
// or holding too many values; with ties at the bounds and inside the window.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "model/central_mean.h"

namespace quorvane {
namespace {

// The central mean by a full sort: sorted positions k/2 - c/2 + 1 .. k/2 + c/2 (even k), or
// m - c/2 .. m + c/2 less position m (odd k, m = (k + 1) / 2), summed in increasing position.
double by_full_sort(std::vector<double> v, int c) {
  const int kmax = static_cast<int>(v.size()) - 1;
  std::sort(v.begin() + 1, v.end());
  double sum = 0.0;
  if (kmax % 2 == 1) {
    const int m = (kmax + 1) / 2;
    for (int k = m - c / 2; k <= m + c / 2; ++k) sum += v[k];
    sum -= v[m];
  } else {
    for (int k = kmax / 2 - c / 2 + 1; k <= kmax / 2 + c / 2; ++k) sum += v[k];
  }
  return sum / c;
}

double with_hint(std::vector<double> v, int c, WindowHint& hint) {
  return central_mean(v.data(), static_cast<int>(v.size()) - 1, c, "mediana", &hint);
}

TEST(CentralWindowHint, AnyHintGivesTheBitsOfAFullSort) {
  std::mt19937 gen(2024);
  std::normal_distribution<double> z(0.0, 0.3);
  for (int kmax : {4, 5, 9, 10, 61, 300, 301, 1652}) {
    for (int c : {2, 4, 10}) {
      if (c > kmax) continue;
      std::vector<double> v(static_cast<std::size_t>(kmax) + 1);
      for (int k = 1; k <= kmax; ++k) v[k] = z(gen);
      const double expected = by_full_sort(v, c);
      const std::vector<WindowHint> hints = {
          {},                   // none yet
          {-1e-3, 1e-3},        // narrow, around the middle
          {-0.05, 0.05},        // about right
          {2.0, 3.0},           // beside the window, above
          {-3.0, -2.0},         // beside the window, below
          {-10.0, 10.0},        // the whole sample: too many values between the bounds
          {0.1, -0.1},          // bounds the wrong way round
      };
      for (WindowHint hint : hints) {
        EXPECT_EQ(with_hint(v, c, hint), expected) << kmax << " " << c << " " << hint.low;
        // The hint moves to the window found, and serves again.
        EXPECT_EQ(with_hint(v, c, hint), expected) << kmax << " " << c;
      }
    }
  }
}

// Many equal values, as squared residuals of cells that reproduce the catch almost exactly give:
// ties at the bounds of the hint and inside the window.
TEST(CentralWindowHint, TiesAtTheBoundsChangeNothing) {
  std::vector<double> v = {0, 0.5, 0.25, 0.25, 0.25, 0.25, 0.75, 0.25, 1.0, 0.0, 0.25, 0.5};
  for (int c : {2, 4, 6, 10}) {
    const double expected = by_full_sort(v, c);
    for (WindowHint hint : {WindowHint{0.25, 0.25}, WindowHint{0.0, 0.25},
                            WindowHint{0.25, 0.5}, WindowHint{0.5, 0.5}}) {
      EXPECT_EQ(with_hint(v, c, hint), expected) << c << " " << hint.low << " " << hint.high;
    }
  }
}

// As in the fixed-point iteration: a sample that drifts a little from one call to the next,
// then jumps; one hint carried through all of them.
TEST(CentralWindowHint, DriftingSamplesKeepTheirBits) {
  std::mt19937 gen(77);
  std::normal_distribution<double> z(0.0, 1.0);
  std::vector<double> base(302);
  for (double& b : base) b = z(gen);
  WindowHint hint;
  for (int pass = 0; pass < 200; ++pass) {
    const double shift = pass == 120 ? 5.0 : 0.001 * pass;
    std::vector<double> v(base.size());
    for (std::size_t k = 1; k < v.size(); ++k) v[k] = (base[k] + shift) * (base[k] + shift);
    EXPECT_EQ(with_hint(v, 4, hint), by_full_sort(v, 4)) << pass;
  }
}

}  // namespace
}  // namespace quorvane
