#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <stdexcept>
#include <vector>

#include "tools/sim/stock_simulator.h"

namespace quorvane::sim {
namespace {

constexpr double kHandTolerance = 1e-12;  // relative; the hand values carry 15 digits

::testing::AssertionResult near_relative(double actual, double expected, double tolerance) {
  const double scale = std::fabs(expected) > 0.0 ? std::fabs(expected) : 1.0;
  if (std::fabs(actual - expected) <= tolerance * scale) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure()
         << actual << " differs from " << expected << " by more than " << tolerance << " relative";
}

FleetSpec fleet(int first_age, int last_age, int first_year, int last_year, double time, double q,
                IndexOf index_of) {
  FleetSpec f;
  f.first_age = first_age;
  f.last_age = last_age;
  f.first_year = first_year;
  f.last_year = last_year;
  f.time = time;
  f.catchability.assign(static_cast<std::size_t>(last_age - first_age + 1), q);
  f.index_of = index_of;
  return f;
}

// Ages 1 and 2 (a plus group), years 2000 and 2001, no noise anywhere:
// N(.,2000) = 1000, 500; recruitment 800; M = 0.2; catch at mid-year; f =
// 0.5, 1.0; s = 0.2, 0.4, so f s = 0.1, 0.2 in 2000 and 0.2, 0.4 in 2001;
// weight 1, 2 kg; maturity 0.5, 1.
Scenario two_age_stock() {
  Scenario scenario;
  scenario.first_age = 1;
  scenario.last_age = 2;
  scenario.plus_group = true;
  scenario.first_year = 2000;
  scenario.last_year = 2001;
  scenario.f = {0.5, 1.0};
  scenario.s1 = {0.2, 0.4};
  scenario.natural_mortality = StockTable(2, 2, 0.2);
  scenario.part = 0.5;
  scenario.recruitment_mean = 800.0;
  scenario.recruitment_log_sd = 0.0;
  scenario.initial_numbers = {1000.0, 500.0};
  scenario.weight = StockTable(2, 2);
  scenario.maturity = StockTable(2, 2);
  for (int y = 0; y < 2; ++y) {
    scenario.weight(0, y) = 1.0;
    scenario.weight(1, y) = 2.0;
    scenario.maturity(0, y) = 0.5;
    scenario.maturity(1, y) = 1.0;
  }
  SsbSurveySpec relative;
  relative.relative = true;
  relative.coefficient = 10.0;
  relative.time = 0.4;
  relative.first_year = 2000;
  relative.last_year = 2000;
  SsbSurveySpec absolute = relative;
  absolute.relative = false;
  absolute.coefficient = 7.0;  // ignored: an absolute survey reports the SSB itself
  absolute.first_year = 2001;
  absolute.last_year = 2001;
  scenario.ssb_surveys = {relative, absolute};
  scenario.fleets = {fleet(1, 1, 2000, 2000, 0.5, 2.0, IndexOf::WholeStock),
                     fleet(2, 2, 2001, 2001, 0.99, 4.0, IndexOf::Mature),
                     fleet(1, 2, 2001, 2001, 0.0, 0.5, IndexOf::Immature)};
  return scenario;
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

// The assessment runs the same model backward, catch-controlled:
// N(a,y) = N(a+1,y+1) e^M + C(a,y) e^(M part). Every cohort must come back,
// whatever M does with age and year and wherever the catch is taken in the
// year.
TEST(StockSimulator, CatchControlledBackwardStepGivesBackEveryCohort) {
  for (double part : {0.0, 0.5, 0.8}) {
    Scenario scenario = without_observation_noise(demo_scenario());
    scenario.part = part;
    for (int y = 0; y < scenario.year_count(); ++y) {
      for (int a = 0; a < scenario.age_count(); ++a) {
        scenario.natural_mortality(a, y) = 0.15 + 0.01 * a + 0.002 * y;
      }
    }
    const SimulatedStock stock = simulate(scenario);
    const int oldest = scenario.age_count() - 1;
    for (int y = 0; y + 1 < scenario.year_count(); ++y) {
      for (int a = 0; a < oldest; ++a) {
        const double m = scenario.natural_mortality(a, y);
        double survivors_back = stock.numbers(a + 1, y + 1) * std::exp(m);
        if (a + 1 == oldest) {
          // The plus group also holds its own survivors; take them out first.
          const double m_plus = scenario.natural_mortality(oldest, y);
          survivors_back -=
              (stock.numbers(oldest, y) - stock.true_catch(oldest, y) * std::exp(m_plus * part)) *
              std::exp(m - m_plus);
        }
        const double back = survivors_back + stock.true_catch(a, y) * std::exp(m * part);
        ASSERT_TRUE(near_relative(back, stock.numbers(a, y), 1e-11))
            << "part " << part << " age index " << a << " year index " << y;
      }
    }
  }
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

// A wide stock whose catch and one fleet carry CV 1 everywhere: the log errors
// must have median 0 and log-sd sqrt(ln 2) = 0.832555; a CV taken as the log-sd
// (1.0) or a mean-unbiased correction (mean -0.3466) would fall far outside the
// bounds. 29 ages x 60 years = 1740 cells: standard errors about 0.02 for the
// mean and 0.014 for the sd.
TEST(StockSimulator, ObservationNoiseIsLognormalWithTheGivenCv) {
  Scenario scenario;
  scenario.first_age = 1;
  scenario.last_age = 29;
  scenario.first_year = 1951;
  scenario.last_year = 2010;
  const int ages = scenario.age_count();
  const int years = scenario.year_count();
  scenario.f.assign(static_cast<std::size_t>(years), 3.0);
  scenario.s1.assign(static_cast<std::size_t>(ages), 1.0 / ages);
  scenario.natural_mortality = StockTable(ages, years, 0.1);
  scenario.weight = StockTable(ages, years, 1.0);
  scenario.maturity = StockTable(ages, years, 0.5);
  scenario.recruitment_mean = 1e6;
  scenario.recruitment_log_sd = 0.5;
  scenario.catch_cv = 1.0;
  scenario.fleets = {fleet(1, 29, 1951, 2010, 0.3, 10.0, IndexOf::WholeStock)};
  scenario.fleets[0].cv = 1.0;
  scenario.seed = 99;

  const SimulatedStock noisy = simulate(scenario);
  const SimulatedStock exact = simulate(without_observation_noise(scenario));
  std::vector<double> catch_errors;
  std::vector<double> fleet_errors;
  for (int y = 0; y < years; ++y) {
    for (int a = 0; a < ages; ++a) {
      catch_errors.push_back(std::log(noisy.observed_catch(a, y) / exact.observed_catch(a, y)));
      fleet_errors.push_back(std::log(noisy.fleet_indices[0](a, y) / exact.fleet_indices[0](a, y)));
    }
  }
  for (const std::vector<double> *errors : {&catch_errors, &fleet_errors}) {
    double sum = 0.0;
    for (double e : *errors) sum += e;
    const double mean = sum / static_cast<double>(errors->size());
    double squares = 0.0;
    for (double e : *errors) squares += (e - mean) * (e - mean);
    const double sd = std::sqrt(squares / static_cast<double>(errors->size() - 1));
    EXPECT_NEAR(mean, 0.0, 0.07);
    EXPECT_NEAR(sd, 0.832555, 0.05);
  }
  EXPECT_TRUE(noisy.numbers == exact.numbers);  // noise is in the data, not in the stock
}

TEST(StockSimulator, RefusesInconsistentSpecs) {
  Scenario too_hard = two_age_stock();
  too_hard.f = {0.5, 2.5};  // 2.5 * 0.4 = 1: the catch would take every fish
  EXPECT_THROW(simulate(too_hard), std::invalid_argument);

  Scenario short_f = two_age_stock();
  short_f.f = {0.5};
  EXPECT_THROW(simulate(short_f), std::invalid_argument);

  Scenario fleet_too_old = two_age_stock();
  fleet_too_old.fleets[0].last_age = 3;
  fleet_too_old.fleets[0].catchability = {2.0, 2.0, 2.0};
  EXPECT_THROW(simulate(fleet_too_old), std::invalid_argument);

  Scenario short_weight = two_age_stock();
  short_weight.weight = StockTable(2, 1, 1.0);
  EXPECT_THROW(simulate(short_weight), std::invalid_argument);

  Scenario change_without_s2 = two_age_stock();
  change_without_s2.last_year_of_s1 = 2000;
  EXPECT_THROW(simulate(change_without_s2), std::invalid_argument);
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
