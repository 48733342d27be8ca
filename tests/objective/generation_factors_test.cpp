#include "objective/generation_factors.h"

#include <gtest/gtest.h>

#include "tests/support/small_block.h"

namespace quorvane {
namespace {

using testing::fill_block;
using testing::fill_by_age;
using testing::small_block;

constexpr double kTol = 1e-13;

// Ages 2..4 by years 1..`years`, s = f = 1 so that the raw ratio is PHY itself, the whole block
// in the window, catch in every year, no smoothing.
std::unique_ptr<RunState> block(int years,
                                std::initializer_list<std::initializer_list<double>> phy) {
  auto s = small_block(3, years);
  s->n21 = static_cast<std::int16_t>(Method::Nonlog);
  s->tragemin = 2;
  s->tragemax = 4;
  s->eachyearnormir = 2;
  s->smoother = 0;
  fill_block(*s, s->C, 1);
  fill_block(*s, s->s, 1);
  for (int y = 1; y <= years; ++y) s->f[y] = 1;
  fill_by_age(*s, s->PHY, phy);
  return s;
}

// Diagonals before the last year (y < 3): d = 0 holds (2,1) 0.2 and (3,2) 0.4 -> 0.3;
// d = -1 holds (3,1) 0.5 and (4,2) 0.7 -> 0.6; (2,2) and (4,1) are alone -> 1; the last year -> 1.
// S = 2 * 0.3 + 2 * 0.6 + 5 = 6.8, so every factor is multiplied by 9 / 6.8.
std::unique_ptr<RunState> three_years() {
  return block(3, {{0.2, 0.9, 0.9}, {0.5, 0.4, 0.9}, {0.9, 0.7, 0.9}});
}

double block_mean(const RunState& s, const AgeYearTable& t) {
  double sum = 0;
  for (int a = s.agemin; a <= s.agemax; ++a)
    for (int y = s.yearmin; y <= s.yearmax; ++y) sum += t(a, y);
  return sum / (s.nages() * s.nyears());
}

TEST(Triple, CohortMeansOfTwoOrMoreCellsOtherCellsOneThenMeanOne) {
  auto s = three_years();
  TRIPLE(*s);
  EXPECT_NEAR(s->gfactor(2, 1), 0.39705882352941174, kTol);  // 0.3 * 9 / 6.8
  EXPECT_NEAR(s->gfactor(4, 2), 0.7941176470588235, kTol);   // 0.6 * 9 / 6.8
  EXPECT_NEAR(s->gfactor(2, 2), 1.3235294117647058, kTol);   // one-cell cohort: 9 / 6.8
  EXPECT_NEAR(s->gfactor(3, 3), 1.3235294117647058, kTol);   // last catch year
  EXPECT_NEAR(block_mean(*s, s->gfactor), 1.0, kTol);
  EXPECT_NEAR(s->s(2, 1), 0.39705882352941174, kTol);  // s = 1 * gfactor, kept as is

  auto g = three_years();
  g->n21 = static_cast<std::int16_t>(Method::Log);
  TRIPLE(*g);
  // Geometric: sqrt(0.2 * 0.4) = 0.282842712474619 relative to a cell set to 1.
  EXPECT_NEAR(g->gfactor(2, 1) / g->gfactor(2, 2), 0.282842712474619, kTol);
}

TEST(Triple, AgesOutsideTheWindowGetOneAndCanLeaveACohortWithOneCell) {
  auto s = three_years();
  s->tragemin = 3;
  for (int y = 1; y <= 3; ++y) s->gfactor(2, y) = 5;  // stale values outside the window
  TRIPLE(*s);
  // d = 0 keeps only (3,2): one cell -> 1. Two cells 0.6 and seven 1s: S = 8.2.
  EXPECT_NEAR(s->gfactor(2, 1), 1.0975609756097562, kTol);  // 9 / 8.2
  EXPECT_NEAR(s->gfactor(3, 2), 1.0975609756097562, kTol);
  EXPECT_NEAR(s->gfactor(3, 1), 0.6585365853658537, kTol);  // 0.6 * 9 / 8.2
  EXPECT_NEAR(block_mean(*s, s->gfactor), 1.0, kTol);
}

TEST(Triple, ALastYearWithoutCatchLeavesTheLastTwoYearsOutOfTheMeans) {
  // d = 1 holds (2,2) 0.8 and (3,3) 0.4; d = 0 holds (2,1) 0.2, (3,2) 0.4, (4,3) 0.9.
  auto make = [](double last_catch) {
    auto s = block(4, {{0.2, 0.8, 0.9, 0.9}, {0.5, 0.4, 0.4, 0.9}, {0.9, 0.7, 0.9, 0.9}});
    for (int a = 2; a <= 4; ++a) s->C(a, 4) = last_catch;
    TRIPLE(*s);
    return s;
  };
  auto caught = make(1);  // ratios to (2,4), a last-year cell set to 1
  EXPECT_EQ(caught->trayearmax, 4);
  EXPECT_NEAR(caught->gfactor(2, 2) / caught->gfactor(2, 4), 0.6, kTol);
  EXPECT_NEAR(caught->gfactor(4, 3) / caught->gfactor(2, 4), 0.5, kTol);
  auto empty = make(0);
  EXPECT_EQ(empty->trayearmax, 3);
  EXPECT_NEAR(empty->gfactor(2, 2) / empty->gfactor(2, 4), 1.0, kTol);  // now alone
  EXPECT_NEAR(empty->gfactor(4, 3) / empty->gfactor(2, 4), 1.0, kTol);  // year 3 is out
  EXPECT_NEAR(empty->gfactor(2, 1) / empty->gfactor(2, 4), 0.3, kTol);
}

TEST(Triple, YearlyNormalisationThenSmoothingAgainstTheStartOfThePass) {
  auto s = three_years();
  s->eachyearnormir = 1;
  s->smoother = 0.5;
  fill_block(*s, s->sprev, 0.2);
  TRIPLE(*s);
  // Year 1 is (0.3, 0.6, 1) * 9/6.8: shares 0.3/1.9 = 0.157894736842105, then 0.5 x + 0.1.
  EXPECT_NEAR(s->s(2, 1), 0.17894736842105263, kTol);
  EXPECT_NEAR(s->s(2, 3), 0.26666666666666666, kTol);  // all 1s: 1/3, then 0.5/3 + 0.1

  auto t = three_years();  // without it the year keeps the factors' scale: 1.9 * 9 / 6.8
  TRIPLE(*t);
  EXPECT_NEAR(t->s(2, 1) + t->s(3, 1) + t->s(4, 1), 2.514705882352941, kTol);
}

}  // namespace
}  // namespace quorvane
