#include "objective/generation_factors.h"

#include <gtest/gtest.h>

#include "state/errors.h"
#include "tests/support/objective_fixture.h"
#include "tests/support/small_block.h"

namespace quorvane {
namespace {

using testing::fill_block;
using testing::fill_by_age;
using testing::small_block;

constexpr double kTol = 1e-13;

// Three ages (indices 2..4) by three years, s = f = 1 so that the raw ratio is PHY itself, the
// whole block in the window, catch in the last year, no smoothing. Cohort diagonals before the
// last year (y < 3):
//   d = 0: (2,1) 0.2 and (3,2) 0.4 -> 0.3      d = -1: (3,1) 0.5 and (4,2) 0.7 -> 0.6
//   d = 1: (2,2) alone -> 1                    d = -2: (4,1) alone -> 1
// and every cell of the last year -> 1. Before normalisation the block holds 0.3 twice, 0.6
// twice and five 1s: S = 6.8, so every factor is multiplied by 9 / 6.8.
std::unique_ptr<RunState> three_by_three() {
  auto s = small_block(3, 3);
  s->n21 = static_cast<std::int16_t>(Method::Nonlog);
  s->tragemin = 2;
  s->tragemax = 4;
  s->eachyearnormir = 2;
  s->smoother = 0;
  fill_block(*s, s->C, 1);
  fill_block(*s, s->s, 1);
  for (int y = 1; y <= 3; ++y) s->f[y] = 1;
  fill_by_age(*s, s->PHY, {{0.2, 0.9, 0.9}, {0.5, 0.4, 0.9}, {0.9, 0.7, 0.9}});
  return s;
}

double block_mean(const RunState& s, const AgeYearTable& t) {
  double sum = 0;
  for (int a = s.agemin; a <= s.agemax; ++a)
    for (int y = s.yearmin; y <= s.yearmax; ++y) sum += t(a, y);
  return sum / (s.nages() * s.nyears());
}

TEST(Triple, CohortsWithTwoCellsTakeTheirMeanAndEveryOtherCellOneScaledToMeanOne) {
  auto s = three_by_three();
  TRIPLE(*s);
  EXPECT_EQ(s->trayearmax, 3);
  // 0.3 * 9 / 6.8 = 0.397058823529412, 0.6 * 9 / 6.8 = 0.794117647058824, 9 / 6.8 = 1.32352941
  EXPECT_NEAR(s->gfactor(2, 1), 0.39705882352941174, kTol);
  EXPECT_NEAR(s->gfactor(3, 2), 0.39705882352941174, kTol);
  EXPECT_NEAR(s->gfactor(3, 1), 0.7941176470588235, kTol);
  EXPECT_NEAR(s->gfactor(4, 2), 0.7941176470588235, kTol);
  EXPECT_NEAR(s->gfactor(2, 2), 1.3235294117647058, kTol);  // one-cell cohort
  EXPECT_NEAR(s->gfactor(4, 1), 1.3235294117647058, kTol);  // one-cell cohort
  EXPECT_NEAR(s->gfactor(3, 3), 1.3235294117647058, kTol);  // last catch year
  EXPECT_NEAR(block_mean(*s, s->gfactor), 1.0, kTol);
  // s was 1 everywhere, no yearly normalisation and no smoothing: s = gfactor.
  EXPECT_NEAR(s->s(2, 1), 0.39705882352941174, kTol);
  EXPECT_NEAR(s->s(4, 3), 1.3235294117647058, kTol);
}

TEST(Triple, LogMethodAveragesCohortsGeometrically) {
  auto s = three_by_three();
  s->n21 = static_cast<std::int16_t>(Method::Log);
  TRIPLE(*s);
  // d = 0: sqrt(0.2 * 0.4) = 0.282842712474619; d = -1: sqrt(0.5 * 0.7) = 0.591607978309962.
  // The normalisation scales all cells alike, so the ratio to a cell set to 1 is the mean.
  EXPECT_NEAR(s->gfactor(2, 1) / s->gfactor(2, 2), 0.282842712474619, kTol);
  EXPECT_NEAR(s->gfactor(4, 2) / s->gfactor(4, 1), 0.5916079783099616, kTol);
  EXPECT_NEAR(block_mean(*s, s->gfactor), 1.0, kTol);
}

TEST(Triple, AgesOutsideTheWindowGetOneAndCanLeaveACohortWithOneCell) {
  auto s = three_by_three();
  s->tragemin = 3;
  for (int y = 1; y <= 3; ++y) s->gfactor(2, y) = 5;  // stale values outside the window
  TRIPLE(*s);
  // d = 0 keeps only (3,2) in the window: one cell -> 1. d = -1 keeps 0.6. Before
  // normalisation: two cells 0.6, seven 1s, S = 8.2; 9 / 8.2 = 1.097560975609756.
  EXPECT_NEAR(s->gfactor(2, 1), 1.0975609756097562, kTol);
  EXPECT_NEAR(s->gfactor(2, 3), 1.0975609756097562, kTol);
  EXPECT_NEAR(s->gfactor(3, 2), 1.0975609756097562, kTol);
  EXPECT_NEAR(s->gfactor(3, 1), 0.6585365853658537, kTol);
  EXPECT_NEAR(block_mean(*s, s->gfactor), 1.0, kTol);
}

TEST(Triple, AnEmptyWindowLeavesEveryFactorOneAndOnlyNormalisesAndSmoothsS) {
  auto s = three_by_three();
  s->tragemin = 4;
  s->tragemax = 3;
  s->eachyearnormir = 1;
  s->smoother = 0.5;
  fill_block(*s, s->sprev, 0.2);
  TRIPLE(*s);
  for (int a = 2; a <= 4; ++a) {
    for (int y = 1; y <= 3; ++y) {
      EXPECT_EQ(s->gfactor(a, y), 1.0);
      // each year's s = 1 / 3, then 0.5 / 3 + 0.5 * 0.2 = 0.266666666666667
      EXPECT_NEAR(s->s(a, y), 0.26666666666666666, kTol);
    }
  }
}

TEST(Triple, YearlyNormalisationMakesEachYearSumToOneBeforeSmoothing) {
  auto s = three_by_three();
  s->eachyearnormir = 1;
  s->smoother = 0.5;
  fill_block(*s, s->sprev, 0.2);
  TRIPLE(*s);
  // Year 1 before normalisation is (0.3, 0.6, 1) * 9/6.8; its shares are 0.3/1.9, 0.6/1.9,
  // 1/1.9 = 0.157894736842105, 0.315789473684211, 0.526315789473684; then 0.5 x + 0.1.
  EXPECT_NEAR(s->s(2, 1), 0.17894736842105263, kTol);
  EXPECT_NEAR(s->s(3, 1), 0.5 * 0.3157894736842105 + 0.1, kTol);
  EXPECT_NEAR(s->s(4, 1), 0.5 * 0.5263157894736842 + 0.1, kTol);
  // Year 3 is all 1s: shares 1/3.
  EXPECT_NEAR(s->s(2, 3), 0.26666666666666666, kTol);

  auto t = three_by_three();
  t->eachyearnormir = 2;
  TRIPLE(*t);
  // Without it the year keeps the factors' scale: 1.9 * 9 / 6.8 = 2.514705882352941.
  EXPECT_NEAR(t->s(2, 1) + t->s(3, 1) + t->s(4, 1), 2.514705882352941, kTol);
}

TEST(Triple, ALastYearWithoutCatchLeavesTheLastTwoYearsOutOfTheCohortMeans) {
  // Four years; d = 1 holds (2,2) 0.8 and (3,3) 0.4, d = 0 holds (2,1), (3,2), (4,3).
  auto make = [](double last_year_catch) {
    auto s = small_block(3, 4);
    s->n21 = static_cast<std::int16_t>(Method::Nonlog);
    s->tragemin = 2;
    s->tragemax = 4;
    s->eachyearnormir = 2;
    s->smoother = 0;
    fill_block(*s, s->C, 1);
    for (int a = 2; a <= 4; ++a) s->C(a, 4) = last_year_catch;
    fill_block(*s, s->s, 1);
    for (int y = 1; y <= 4; ++y) s->f[y] = 1;
    fill_by_age(*s, s->PHY,
                {{0.2, 0.8, 0.9, 0.9}, {0.5, 0.4, 0.4, 0.9}, {0.9, 0.7, 0.9, 0.9}});
    TRIPLE(*s);
    return s;
  };
  auto caught = make(1);
  EXPECT_EQ(caught->trayearmax, 4);
  // Cell (2,4) is in the last year and holds the scale of a 1.
  EXPECT_NEAR(caught->gfactor(2, 2) / caught->gfactor(2, 4), 0.6, kTol);  // (0.8 + 0.4) / 2
  EXPECT_NEAR(caught->gfactor(4, 3) / caught->gfactor(2, 4), 0.5, kTol);  // (0.2+0.4+0.9) / 3

  auto empty = make(0);
  EXPECT_EQ(empty->trayearmax, 3);
  EXPECT_NEAR(empty->gfactor(2, 2) / empty->gfactor(2, 4), 1.0, kTol);  // now a lone cell
  EXPECT_NEAR(empty->gfactor(4, 3) / empty->gfactor(2, 4), 1.0, kTol);  // year 3 is out
  EXPECT_NEAR(empty->gfactor(2, 1) / empty->gfactor(2, 4), 0.3, kTol);  // (0.2 + 0.4) / 2
}

TEST(Triple, AZeroPredictionInTheWindowIsAnArithmeticFault) {
  auto s = three_by_three();
  s->s(3, 2) = 0;
  EXPECT_THROW(TRIPLE(*s), ArithmeticFault);
}

}  // namespace
}  // namespace quorvane
