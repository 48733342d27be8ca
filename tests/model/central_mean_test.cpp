#include "model/central_mean.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "base/errors.h"
#include "support/small_block.h"

namespace quorvane {
namespace {

using testing::fill_by_age;
using testing::small_block;

// values[0] is unused, as in the sample buffer.
std::vector<double> sample(std::initializer_list<double> v) {
  std::vector<double> out{0.0};
  out.insert(out.end(), v);
  return out;
}

TEST(CentralMean, EvenSampleAveragesTheCentralValues) {
  // 1..10, c = 4: sorted positions 4..7 hold 4, 5, 6, 7 -> 5.5
  auto v = sample({7, 2, 10, 1, 9, 4, 3, 8, 6, 5});
  EXPECT_EQ(central_mean(v.data(), 10, 4, "mediana"), 5.5);
  // c = 2 is the ordinary median: (5 + 6) / 2
  auto w = sample({7, 2, 10, 1, 9, 4, 3, 8, 6, 5});
  EXPECT_EQ(central_mean(w.data(), 10, 2, "mediana"), 5.5);
  // The whole sample as the window.
  auto x = sample({4, 1, 3, 2});
  EXPECT_EQ(central_mean(x.data(), 4, 4, "mediana"), 2.5);
}

TEST(CentralMean, OddSampleLeavesTheMiddleValueOut) {
  // 1..9, c = 4: positions 3..7 without 5 -> (3 + 4 + 6 + 7) / 4 = 5
  auto v = sample({9, 1, 8, 2, 7, 3, 6, 4, 5});
  EXPECT_EQ(central_mean(v.data(), 9, 4, "mediana"), 5.0);
  // 1, 2, 3, 4, 100 with c = 4: (1 + 2 + 4 + 100) / 4; the outlier is inside the window
  auto w = sample({100, 3, 1, 4, 2});
  EXPECT_EQ(central_mean(w.data(), 5, 4, "mediana"), 26.75);
}

// The central mean by a full ascending sort: sorted positions k/2 - c/2 + 1 .. k/2 + c/2 (even
// k), or m - c/2 .. m + c/2 less position m (odd k, m = (k + 1) / 2), summed in increasing
// position.
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

double with_hint(std::vector<double> v, int c, WindowHint* hint) {
  return central_mean(v.data(), static_cast<int>(v.size()) - 1, c, "mediana", hint);
}

// Selecting the window, from the whole sample or near a hint (the last window, widened), must
// give the very bits of a full sort, whatever the hint: none, right, too narrow, beside the
// window, holding too many values, or the wrong way round.
TEST(CentralMean, SelectionGivesTheBitsOfAFullSortWhateverTheHint) {
  std::mt19937 gen(2024);
  std::normal_distribution<double> z(0.0, 0.3);
  for (int kmax : {2, 3, 4, 5, 9, 10, 61, 300, 301, 1652}) {
    for (int c : {2, 4, 10, kmax - kmax % 2}) {  // the last: the whole sample as the window
      if (c > kmax) continue;
      std::vector<double> v(static_cast<std::size_t>(kmax) + 1);
      for (int k = 1; k <= kmax; ++k) v[k] = z(gen);
      const double expected = by_full_sort(v, c);
      EXPECT_EQ(with_hint(v, c, nullptr), expected) << kmax << " " << c;
      for (WindowHint hint :
           {WindowHint{}, WindowHint{-1e-3, 1e-3}, WindowHint{-0.05, 0.05}, WindowHint{2.0, 3.0},
            WindowHint{-3.0, -2.0}, WindowHint{-10.0, 10.0}, WindowHint{0.1, -0.1}}) {
        EXPECT_EQ(with_hint(v, c, &hint), expected) << kmax << " " << c << " " << hint.low;
        // The hint moves to the window found, and serves again.
        EXPECT_EQ(with_hint(v, c, &hint), expected) << kmax << " " << c;
      }
    }
  }
}

// Many equal values, as squared residuals of cells that reproduce the catch almost exactly give:
// ties at the bounds of the hint and inside the window.
TEST(CentralMean, TiesAtTheBoundsOfTheHintChangeNothing) {
  std::vector<double> v = {0, 0.5, 0.25, 0.25, 0.25, 0.25, 0.75, 0.25, 1.0, 0.0, 0.25, 0.5};
  for (int c : {2, 4, 6, 10}) {
    for (WindowHint hint : {WindowHint{0.25, 0.25}, WindowHint{0.0, 0.25}, WindowHint{0.25, 0.5},
                            WindowHint{0.5, 0.5}}) {
      EXPECT_EQ(with_hint(v, c, &hint), by_full_sort(v, c)) << c << " " << hint.low;
    }
  }
}

// Ages 3, 4, 5 and years 2000..2003: the sample area is ages 3-4 and years 2000-2002 (the
// oldest age and the last year never enter). Residuals:
//           2000   2001   2002   2003
//   age 3    0.1    0     -0.2    9
//   age 4    0.3    1E-11  0.5    9
//   age 5    9      9      9      9
// The zero and the 1E-11 cells are left out: the sample is 0.1, -0.2, 0.3, 0.5.
std::unique_ptr<RunState> residual_block(std::int16_t loss) {
  auto s = small_block(3, 4);
  s->n22 = loss;
  s->centralel = 2;
  fill_by_age(*s, s->resid, {{0.1, 0, -0.2, 9}, {0.3, 1E-11, 0.5, 9}, {9, 9, 9, 9}});
  for (int a = 2; a <= 4; ++a) {
    for (int y = 1; y <= 4; ++y) s->resid2(a, y) = s->resid(a, y) * s->resid(a, y);
  }
  return s;
}

TEST(Mediana, MdnIsTheCentralMeanOfTheSquaresAndLeavesThemInPlace) {
  auto s = residual_block(1);
  const AgeYearTable squares = s->resid2;
  mediana(*s);
  // squares 0.01, 0.04, 0.09, 0.25: (0.04 + 0.09) / 2 * 100 = 6.5
  EXPECT_NEAR(s->SSET, 6.5, 1E-12);
  EXPECT_EQ(s->kmax, 4);
  EXPECT_EQ(s->popa, 1);
  EXPECT_TRUE(s->resid2 == squares);
}

TEST(Mediana, AmdCentresOnTheCentralMeanOfTheResiduals) {
  auto s = residual_block(3);
  mediana(*s);
  // First pass: sorted -0.2, 0.1, 0.3, 0.5 -> (0.1 + 0.3) / 2 = 0.2.
  // Second pass: |r - 0.2| = 0.1, 0.4, 0.1, 0.3 -> sorted 0.1, 0.1, 0.3, 0.4 -> 0.2 -> 20.
  EXPECT_NEAR(s->SSET, 20.0, 1E-12);
  EXPECT_EQ(s->popa, 2);
  // resid2 holds the deviations in the sample area, left-out cells included, and the squares
  // elsewhere.
  EXPECT_NEAR(s->resid2(3, 3), 0.3, 1E-15);
  EXPECT_NEAR(s->resid2(2, 2), 0.2, 1E-15);
  EXPECT_EQ(s->resid2(4, 1), 81.0);
  EXPECT_EQ(s->resid2(2, 4), 81.0);
}

TEST(Mediana, AmdOfEqualResidualsIsZero) {
  auto s = small_block(3, 4);
  s->n22 = 3;
  s->centralel = 4;
  for (int a = 2; a <= 4; ++a) {
    for (int y = 1; y <= 4; ++y) s->resid(a, y) = 0.375;  // sums of it are exact
  }
  mediana(*s);
  EXPECT_EQ(s->kmax, 6);
  EXPECT_EQ(s->SSET, 0.0);
}

TEST(Mediana, TooFewResidualsStopsTheRun) {
  auto s = residual_block(1);
  s->centralel = 6;
  try {
    mediana(*s);
    FAIL() << "no fault";
  } catch (const ArithmeticFault& e) {
    EXPECT_EQ(std::string(e.what()),
              "mediana: the sample of 4 residuals is smaller than the central window of 6");
  }
}

}  // namespace
}  // namespace quorvane
