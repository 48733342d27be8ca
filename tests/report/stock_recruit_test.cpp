#include "report/stock_recruit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <random>
#include <utility>
#include <vector>

namespace quorvane {
namespace {

// The hockey stick's cost at breakpoint b, the best level for it taken: the test's own count.
double stick_cost(const std::vector<YearClass>& classes, double b) {
  double c = 0;
  for (const YearClass& k : classes) c += std::log(k.recruits) - std::log(std::min(k.ssb, b));
  c /= static_cast<double>(classes.size());
  double cost = 0;
  for (const YearClass& k : classes) {
    const double e = std::log(k.recruits) - c - std::log(std::min(k.ssb, b));
    cost += e * e;
  }
  return cost;
}

std::vector<YearClass> stock(const std::vector<std::pair<double, double>>& ssb_recruits) {
  std::vector<YearClass> classes;
  int year = 2000;
  for (const auto& [ssb, recruits] : ssb_recruits) classes.push_back({year++, ssb, recruits});
  return classes;
}

// A stick drawn exactly is found exactly; recruitment that never follows SSB puts the breakpoint
// at the lowest SSB, recruitment in proportion to SSB at the highest; too few year classes or
// one SSB give none. On scattered year classes no breakpoint on a fine grid does better.
TEST(StockRecruit, SegmentedRegressionFindsTheBreakpointOfLeastSquares) {
  const std::optional<SegmentedFit> exact =
      segmented_regression(stock({{16, 8}, {1, 2}, {4, 8}, {2, 4}, {8, 8}, {-1, 3}}));
  ASSERT_TRUE(exact);
  EXPECT_EQ(exact->year_classes, 5);  // the SSB below 0 is left out
  EXPECT_NEAR(exact->breakpoint, 4, 1e-12);
  EXPECT_NEAR(exact->slope, 2, 1e-12);
  EXPECT_NEAR(exact->plateau, 8, 1e-12);
  EXPECT_FALSE(exact->at_lowest || exact->at_highest);

  const std::optional<SegmentedFit> flat =
      segmented_regression(stock({{3, 5}, {1, 5}, {5, 5}, {2, 5}, {4, 5}}));
  ASSERT_TRUE(flat);
  EXPECT_TRUE(flat->at_lowest);
  EXPECT_EQ(flat->breakpoint, 1);
  EXPECT_NEAR(flat->plateau, 5, 1e-12);
  const std::optional<SegmentedFit> rising =
      segmented_regression(stock({{1, 3}, {2, 6}, {3, 9}, {4, 12}, {5, 15}}));
  ASSERT_TRUE(rising);
  EXPECT_TRUE(rising->at_highest);
  EXPECT_NEAR(rising->slope, 3, 1e-12);

  EXPECT_FALSE(segmented_regression(stock({{1, 1}, {2, 2}, {3, 3}, {4, 4}})));
  EXPECT_FALSE(segmented_regression(stock({{2, 1}, {2, 2}, {2, 3}, {2, 4}, {2, 5}})));

  std::mt19937 draw(7);
  std::uniform_real_distribution<double> ssb(50, 500), noise(-0.8, 0.8);
  for (int trial = 0; trial < 20; ++trial) {
    std::vector<YearClass> classes;
    for (int i = 0; i < 25; ++i) {
      const double s = ssb(draw);
      classes.push_back({2000 + i, s, 3 * std::min(s, 200.0) * std::exp(noise(draw))});
    }
    const std::optional<SegmentedFit> fit = segmented_regression(classes);
    ASSERT_TRUE(fit);
    const double found = stick_cost(classes, fit->breakpoint);
    for (int j = 0; j <= 2000; ++j) {
      const double b = 40 + (520 - 40) * j / 2000.0;
      ASSERT_LE(found, stick_cost(classes, b) + 1e-9) << "trial " << trial << ", b " << b;
    }
  }
}

// Each year's SSB is paired with the recruits of the year that many years on as the first
// analysed age: age 3 pairs 2000 with 2003; age 0 pairs each year with itself.
TEST(StockRecruit, YearClassesPairTheParentsWithTheirRecruitsAgesLater) {
  ResultsRecord record;
  for (int y = 2000; y <= 2005; ++y) {
    SummaryYear row;
    row.year = y;
    row.ssb = 100.0 * (y - 1999);
    row.recruitment = y - 1999;
    record.years.push_back(row);
  }
  StockCell first;
  first.age = 3;
  record.cells.push_back(first);
  const std::vector<YearClass> aged = year_classes_of(record);
  ASSERT_EQ(aged.size(), 3u);
  EXPECT_EQ(aged[0].year, 2000);
  EXPECT_EQ(aged[0].ssb, 100);
  EXPECT_EQ(aged[0].recruits, 4);  // the recruitment of 2003
  EXPECT_EQ(aged[2].year, 2002);
  EXPECT_EQ(aged[2].recruits, 6);

  record.cells[0].age = 0;
  const std::vector<YearClass> same_year = year_classes_of(record);
  ASSERT_EQ(same_year.size(), 6u);
  EXPECT_EQ(same_year[5].ssb, 600);
  EXPECT_EQ(same_year[5].recruits, 6);

  record.cells[0].age = 6;  // no year class within the years
  EXPECT_TRUE(year_classes_of(record).empty());
}

}  // namespace
}  // namespace quorvane
