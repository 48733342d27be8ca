#include <gtest/gtest.h>

#include <cmath>
#include <stdexcept>
#include <vector>

#include "tools/sim/stock_simulator.h"

namespace quorvane::sim {
namespace {

constexpr double kHandTolerance = 1e-12;  // relative; the hand values carry 15 digits

::testing::AssertionResult near_relative(double actual, double expected, double tolerance) {
  if (std::fabs(actual - expected) <= tolerance * std::fabs(expected)) {
    return ::testing::AssertionSuccess();
  }
  return ::testing::AssertionFailure()
         << actual << " is not " << expected << " within " << tolerance << " relative";
}

// Ages 1 and 2 (a plus group), years 2000 and 2001, no noise anywhere:
// N(.,2000) = 1000, 500; recruitment 800; M = 0.2; catch at mid-year; f =
// 0.5, 1.0; s = 0.2, 0.4, so f s = 0.1, 0.2 in 2000 and 0.2, 0.4 in 2001;
// weight 1, 2 kg; maturity 0.5, 1. A relative SSB survey (k = 10) sees 2000, an
// absolute one 2001 (its coefficient 7 is ignored); fleets by ages, years, time and q.
Scenario two_age_stock() {
  Scenario s{.first_age = 1,
             .last_age = 2,
             .first_year = 2000,
             .last_year = 2001,
             .f = {0.5, 1.0},
             .s1 = {0.2, 0.4},
             .natural_mortality = StockTable(2, 2, 0.2),
             .recruitment_mean = 800.0,
             .initial_numbers = {1000.0, 500.0},
             .weight = StockTable(2, 2, 1.0),
             .maturity = StockTable(2, 2, 0.5),
             .ssb_surveys =
                 {{.coefficient = 10.0, .first_year = 2000, .last_year = 2000},
                  {.relative = false, .coefficient = 7.0, .first_year = 2001, .last_year = 2001}},
             .fleets = {{1, 1, 2000, 2000, 0.5, {2.0}},
                        {2, 2, 2001, 2001, 0.99, {4.0}, 0.0, IndexOf::Mature},
                        {1, 2, 2001, 2001, 0.0, {0.5, 0.5}, 0.0, IndexOf::Immature}}};
  for (int y = 0; y < 2; ++y) {
    s.weight(1, y) = 2.0;
    s.maturity(1, y) = 1.0;
  }
  return s;
}

// e^-0.1 = 0.904837418035960 is the survival over half a year.
// 2000, age 1: 1000 e^-0.1 = 904.837418035960 at the catch; C = 0.1 of it
// = 90.4837418035960;
//   survivors (904.837418035960 - 90.4837418035960) e^-0.1 = 736.857677770184.
// 2000, age 2: 500 e^-0.1 = 452.418709017980; C = 0.2 of it = 90.4837418035960;
//   survivors (452.418709017980 - 90.4837418035960) e^-0.1 = 327.492301231193.
// 2001: N = 800 (recruitment), 736.857677770184 + 327.492301231193 =
// 1064.34997900138;
//   C(1) = 0.2 * 800 e^-0.1 = 144.773986885754, C(2) = 0.4 * 1064.34997900138
//   e^-0.1 = 385.225474754493.
// SSB(2000) = 0.5*1*1000 + 1*2*500 = 1500.
TEST(StockSimulator, ForwardModelReproducesAHandComputedTwoAgeStock) {
  const SimulatedStock stock = simulate(two_age_stock());
  EXPECT_EQ(stock.numbers(0, 1), 800.0);
  EXPECT_TRUE(near_relative(stock.numbers(1, 1), 1064.34997900138, kHandTolerance));
  EXPECT_TRUE(near_relative(stock.true_catch(0, 0), 90.4837418035960, kHandTolerance));
  EXPECT_TRUE(near_relative(stock.true_catch(1, 0), 90.4837418035960, kHandTolerance));
  EXPECT_TRUE(near_relative(stock.true_catch(0, 1), 144.773986885754, kHandTolerance));
  EXPECT_TRUE(near_relative(stock.true_catch(1, 1), 385.225474754493, kHandTolerance));
  EXPECT_TRUE(near_relative(stock.ssb[0], 1500.0, kHandTolerance));
  EXPECT_EQ(stock.terminal_f, 1.0);
  EXPECT_TRUE(stock.observed_catch == stock.true_catch);  // no catch noise

  // Without a plus group the survivors of the oldest age leave the stock.
  Scenario no_plus = two_age_stock();
  no_plus.plus_group = false;
  EXPECT_TRUE(near_relative(simulate(no_plus).numbers(1, 1), 736.857677770184, kHandTolerance));
}

// Survival to a survey at the fraction t of the year: exp(-t (M - ln(1 - f
// s))). Whole stock, age 1, 2000, t = 0.5, q = 2: 1000 exp(-0.1) (1 - 0.1)^0.5
// / 2
//   = 1000 * 0.904837418035960 * 0.948683298050514 / 2 = 429.202072970933.
// Mature part, age 2, 2001, t = 0.99, q = 4: f s = 0.4, maturity 1:
//   1064.34997900138 exp(-0.99 (0.2 - ln 0.6)) / 4 = 131.644856384783.
// Immature part, 2001, t = 0, q = 0.5: age 1 0.5 * 800 / 0.5 = 800; age 2 is
// all mature, so
//   nothing is measured and the cell is unobserved.
// Relative SSB survey, 2000, t = 0.4, k = 10: Z = 0.2 - ln 0.9 at age 1, 0.2 -
// ln 0.8 at age 2;
//   (0.5*1*1000 exp(-0.4 Z1) + 1*2*500 exp(-0.4 Z2)) / 10 = 128.680190432220.
// Absolute SSB survey, 2001, t = 0.4: 0.5*1*800 exp(-0.4 (0.2 - ln 0.8))
//   + 1*2*1064.34997900138 exp(-0.4 (0.2 - ln 0.6)) = 1939.60183078136.
TEST(StockSimulator, NoiseFreeSurveysAreWhatTheModelExpects) {
  const SimulatedStock stock = simulate(two_age_stock());

  ASSERT_EQ(stock.fleet_indices.size(), 3u);
  const StockTable &whole = stock.fleet_indices[0];
  EXPECT_TRUE(near_relative(whole(0, 0), 429.202072970933, kHandTolerance));
  EXPECT_EQ(whole(1, 0), kNoObservation);  // age 2 not covered
  EXPECT_EQ(whole(0, 1), kNoObservation);  // 2001 not covered
  const StockTable &mature = stock.fleet_indices[1];
  EXPECT_TRUE(near_relative(mature(1, 1), 131.644856384783, kHandTolerance));
  EXPECT_EQ(mature(0, 1), kNoObservation);
  const StockTable &immature = stock.fleet_indices[2];
  EXPECT_TRUE(near_relative(immature(0, 1), 800.0, kHandTolerance));
  EXPECT_EQ(immature(1, 1), kNoObservation);

  ASSERT_EQ(stock.ssb_indices.size(), 2u);
  EXPECT_TRUE(near_relative(stock.ssb_indices[0][0], 128.680190432220, kHandTolerance));
  EXPECT_EQ(stock.ssb_indices[0][1], kNoObservation);
  EXPECT_EQ(stock.ssb_indices[1][0], kNoObservation);
  EXPECT_TRUE(near_relative(stock.ssb_indices[1][1], 1939.60183078136, kHandTolerance));
}

// Extended year 2002: the surveys saw it, its catch is not reported yet. The
// stock is fished on at the f of 2001, as the assessment assumes, and the
// terminal f stays that of 2001. The mature-part fleet ran up to 2001 and runs
// on into 2002: N(2,2002) = 800*0.8 e^-0.2 + 1064.34997900138*0.6 e^-0.2 =
// 523.987681969908
//   + 522.849635907799 = 1046.83731787771;
// index = 1046.83731787771 exp(-0.99 (0.2 - ln(1 - 1.0*0.4))) / 4
//   = 1046.83731787771 * 0.494742740572226 / 4 = 129.478790895024.
TEST(StockSimulator, ExtendedYearIsFishedAndSurveyedButHasNoCatchOnFile) {
  const Scenario scenario = with_extended_year(two_age_stock());
  ASSERT_EQ(scenario.year_count(), 3);
  const SimulatedStock stock = simulate(scenario);
  EXPECT_EQ(stock.f[2], 1.0);
  EXPECT_EQ(stock.terminal_f, 1.0);
  EXPECT_EQ(stock.observed_catch(0, 2), 0.0);
  EXPECT_EQ(stock.observed_catch(1, 2), 0.0);
  EXPECT_GT(stock.true_catch(1, 2), 0.0);
  EXPECT_TRUE(near_relative(stock.numbers(1, 2), 1046.83731787771, kHandTolerance));
  EXPECT_TRUE(near_relative(stock.fleet_indices[1](1, 2), 129.478790895024, kHandTolerance));
  EXPECT_EQ(stock.fleet_indices[0](0, 2),
            kNoObservation);                // ended in 2000, stays ended
  EXPECT_GT(stock.ssb_indices[1][2], 0.0);  // ran up to 2001
}

TEST(StockSimulator, RefusesInconsistentSpecs) {
  std::vector<Scenario> bad(5, two_age_stock());
  bad[0].f = {0.5, 2.5};  // 2.5 * 0.4 = 1: the catch would take every fish
  bad[1].f = {0.5};
  bad[2].fleets[0].last_age = 3;  // beyond the ages
  bad[2].fleets[0].catchability = {2.0, 2.0, 2.0};
  bad[3].last_year_of_s1 = 2000;          // a change of age factor without s2
  bad[4].weight = StockTable(2, 1, 1.0);  // one year short
  for (const Scenario &scenario : bad) EXPECT_THROW(simulate(scenario), std::invalid_argument);
}

TEST(StockSimulator, AgeFactorChangesAfterTheLastYearOfTheFirstPeriod) {
  Scenario scenario = two_age_stock();
  scenario.last_year_of_s1 = 2000;
  scenario.s2 = {0.3, 0.3};
  const SimulatedStock stock = simulate(scenario);
  EXPECT_EQ(stock.selectivity(0, 0), 0.2);
  EXPECT_EQ(stock.selectivity(0, 1), 0.3);
  // 2001, age 1: 0.3 * 800 e^-0.1 = 217.160980328631.
  EXPECT_TRUE(near_relative(stock.true_catch(0, 1), 217.160980328631, kHandTolerance));
}

}  // namespace
}  // namespace quorvane::sim
