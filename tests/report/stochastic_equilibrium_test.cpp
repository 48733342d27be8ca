#include "report/stochastic_equilibrium.h"

#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/forecast_ages.h"
#include "tests/support/two_age_stock.h"

namespace quorvane {
namespace {

constexpr auto age = forecast_age;
constexpr int kYears = kBurnInYears + kKeptYears;

std::optional<StochasticRow> point(const StochasticEquilibrium& e, const std::string& option) {
  for (const StochasticRow& r : e.rows)
    if (r.option == option) return r;
  return std::nullopt;
}

// The two-age stock on the stick of slope 4 (plateau 20, breakpoint 5), whose deterministic
// Fcrash is at ln 4 - 0.2.
struct TwoAges : TwoAgeStock {
  Equilibrium equilibrium = with(stick(4));
  StochasticEquilibrium simulated(int simulations = 20) const {
    return stochastic_equilibrium_of(forecast, in, per_recruit, equilibrium, stick(4),
                                     SimulationSettings{simulations, {}, 7});
  }
};

constexpr auto spr = TwoAgeStock::spr;
constexpr auto ypr = TwoAgeStock::ypr;

TEST(RecruitmentNoise, SpreadAndAutocorrelationOfTheResiduals) {
  SegmentedFit fit;
  fit.slope = 2;
  fit.breakpoint = 10;
  fit.plateau = 20;
  // Residuals 0.1, -0.2, 0.3, -0.1, 0 (in year order; the third below the breakpoint), and a year
  // class without recruits, which the regression never saw.
  const std::vector<double> e = {0.1, -0.2, 0.3, -0.1, 0};
  std::vector<YearClass> classes;
  for (std::size_t i = 0; i < e.size(); ++i) {
    const double ssb = i == 2 ? 4 : 50;
    classes.push_back({2000 + static_cast<int>(i), ssb, 2 * std::min(ssb, 10.0) * std::exp(e[i])});
  }
  classes.push_back({2010, 30, 0});
  const RecruitmentNoise noise = recruitment_noise(fit, classes);
  EXPECT_EQ(noise.year_classes, 5);
  EXPECT_NEAR(noise.sd, std::sqrt(0.15 / 3), 1e-12);  // squares 0.01 + 0.04 + 0.09 + 0.01
  EXPECT_NEAR(noise.autocorrelation, (-0.02 - 0.06 - 0.03 + 0) / 0.15, 1e-12);

  // Residuals that alternate in sign: -19/20 kept at -0.9.
  classes.clear();
  for (int i = 0; i < 20; ++i) classes.push_back({2000 + i, 50, 20 * std::exp(i % 2 ? -1 : 1)});
  EXPECT_EQ(recruitment_noise(fit, classes).autocorrelation, -kMostAutocorrelation);
  // A regression through every year class leaves no spread to draw from.
  EXPECT_EQ(recruitment_noise(fit, {{1, 50, 20}, {2, 4, 8}, {3, 70, 20}}).sd, 0);
}

// A stock's deviations depend on the seed and its own number alone, and have the spread and the
// autocorrelation asked for.
TEST(RecruitmentDeviations, EachStockItsOwnAndAsAskedFor) {
  const auto series = [](int simulations, std::uint32_t seed, UniformRandom::Stream stream) {
    return autocorrelated_deviations(0.5, 0.6, simulations, seed, stream);
  };
  constexpr auto kRecruitment = UniformRandom::Stream::Recruitment;
  const std::vector<double> ten = series(10, 11, kRecruitment);
  const std::vector<double> many = series(2000, 11, kRecruitment);
  ASSERT_EQ(ten.size(), static_cast<std::size_t>(10 * kYears));
  EXPECT_TRUE(std::equal(ten.begin(), ten.end(), many.begin()));
  EXPECT_NE(series(10, 12, kRecruitment), ten);
  // A stock's fishing error is not its recruitment's luck.
  EXPECT_NE(series(10, 11, UniformRandom::Stream::Fishing), ten);

  double squares = 0, lagged = 0, mean = 0;
  for (int i = 0; i < 2000; ++i) {
    for (int t = 0; t < kYears; ++t) {
      const double d = many[static_cast<std::size_t>(i * kYears + t)];
      mean += d;
      squares += d * d;
      if (t > 0) lagged += d * many[static_cast<std::size_t>(i * kYears + t - 1)];
    }
  }
  const double n = 2000.0 * kYears;
  EXPECT_NEAR(mean / n, 0, 0.01);
  EXPECT_NEAR(std::sqrt(squares / n), 0.5, 0.01);  // stationary from the first year
  EXPECT_NEAR(lagged / (2000.0 * (kYears - 1)) / (squares / n), 0.6, 0.02);

  for (double d : autocorrelated_deviations(0, 0.6, 3, 11, kRecruitment)) EXPECT_EQ(d, 0);
}

// Without recruitment variation every stock stays in its deterministic equilibrium: the plateau's
// recruits, SSB = 20 SPR and yield = 20 YPR while the stock replaces itself, and below Blim (the
// breakpoint) at once beyond Fcrash.
TEST(StochasticEquilibrium, WithoutVariationTheDeterministicEquilibrium) {
  const TwoAges stock;
  const Deviations flat{std::vector<double>(static_cast<std::size_t>(3 * kYears), 0.0), {}};
  for (double x : {0.0, 0.5, 1.0, 1.15}) {
    const StochasticRow r =
        simulate_at(stock.forecast, stock.in, stock.equilibrium.fit, flat, 3, 5, x);
    EXPECT_NEAR(r.ssb_q05, 20 * spr(x), 1e-9) << x;
    EXPECT_NEAR(r.ssb_q95, 20 * spr(x), 1e-9) << x;
    EXPECT_NEAR(r.yield_q50, 20 * ypr(x), 1e-9) << x;
    EXPECT_NEAR(r.yield_mean, 20 * ypr(x), 1e-9) << x;
    EXPECT_NEAR(r.recruitment_q50, 20, 1e-9) << x;
    EXPECT_EQ(r.p_below_blim, 0) << x;
    EXPECT_EQ(r.fbar, x) << x;
  }
  const StochasticRow crashed =
      simulate_at(stock.forecast, stock.in, stock.equilibrium.fit, flat, 3, 5, 1.2);
  EXPECT_EQ(crashed.p_below_blim, 1);
  EXPECT_LT(crashed.ssb_q95, 20 * spr(1.2));  // falling year after year
}

// Beyond Fcrash the two-age stock dies out a generation at a time: the recruits of year t come
// from the SSB of year t - 1, which are the recruits of year t - 2 grown a year older, so
// R(t) = 4 e^{-1.4} R(t-2) at x = 1.2 and, from the equilibrium start (R = 20),
// SSB(t) = 20 e^{-1.4} rho^ceil(t/2), rho = 4 e^{-1.4}. The 50 kept years of one stock run from
// t = 50 to 99; their median lies between the 25th and 26th smallest, t = 75 and t = 74.
TEST(StochasticEquilibrium, RecruitsFromTheSpawnersOfTheirYearClass) {
  const TwoAges stock;
  const Deviations flat{std::vector<double>(static_cast<std::size_t>(kYears), 0.0), {}};
  const StochasticRow r =
      simulate_at(stock.forecast, stock.in, stock.equilibrium.fit, flat, 1, 5, 1.2);
  const double c = 20 * std::exp(-1.4);
  const double rho = 4 * std::exp(-1.4);
  const double median = c * (std::pow(rho, 38) + std::pow(rho, 37)) / 2;
  EXPECT_NEAR(r.ssb_q50, median, 1e-9 * median);
}

// The points read off a curve whose risk steps from 0 to 1 at the deterministic Fcrash (between
// the levels 1.15 and 1.2): Fp.05 and Flim by linear interpolation between them, Fmsy at the level
// nearest Fmax = ln 2, which stands.
TEST(StochasticEquilibrium, PointsOfAStepInRisk) {
  const StochasticEquilibrium e = TwoAges().simulated();
  EXPECT_EQ(e.noise.sd, 0);
  EXPECT_NEAR(e.blim, 5, 1e-12);  // the breakpoint
  EXPECT_FALSE(e.blim_stated);
  ASSERT_EQ(e.rows.size(), static_cast<std::size_t>(kPerRecruitSteps + 1 + 4));
  const std::optional<StochasticRow> fmsy = point(e, kStochasticFmsy);
  const std::optional<StochasticRow> fp05 = point(e, kFp05);
  const std::optional<StochasticRow> flim = point(e, kStochasticFlim);
  const std::optional<StochasticRow> capped = point(e, kPrecautionaryFmsy);
  ASSERT_TRUE(fmsy && fp05 && flim && capped);
  EXPECT_EQ(fmsy->f_mult, 0.7);
  EXPECT_NEAR(fmsy->yield_q50, 20 * ypr(0.7), 1e-9);
  EXPECT_NEAR(fp05->f_mult, 1.15 + 0.05 * 0.05, 1e-12);
  EXPECT_NEAR(flim->f_mult, 1.15 + 0.5 * 0.05, 1e-12);
  EXPECT_EQ(flim->p_below_blim, 0);  // still short of the deterministic Fcrash, 1.186
  EXPECT_EQ(capped->f_mult, fmsy->f_mult);
  const std::string line = stochastic_equilibrium_summary(e);
  EXPECT_EQ(line,
            "Stochastic equilibrium (F-bar 1-2; 20 stocks over 50 years, recruitment sd 0.00 and "
            "autocorrelation 0.00 around the segmented regression; Blim 5, the breakpoint): Fmsy "
            "0.700, median yield " +
                std::to_string(static_cast<int>(std::round(20 * ypr(0.7)))) +
                "; Fp.05 1.152; Flim 1.175; Fmsy stands (5 % of SSB at that F: 8, a candidate "
                "for MSY Btrigger)");
}

// A stated Blim above the stock fished at Fmsy caps Fmsy at Fp.05; one above the unfished stock
// leaves no precautionary F at all.
TEST(StochasticEquilibrium, StatedBlimCapsFmsyOrRulesOutEveryF) {
  TwoAges stock;
  stock.in.reference.blim = 20 * spr(0.52);  // between the levels 0.5 and 0.55
  StochasticEquilibrium e = stock.simulated();
  EXPECT_TRUE(e.blim_stated);
  const std::optional<StochasticRow> capped = point(e, kPrecautionaryFmsy);
  ASSERT_TRUE(capped);
  EXPECT_NEAR(capped->f_mult, 0.5 + 0.05 * 0.05, 1e-12);
  EXPECT_NE(stochastic_equilibrium_summary(e).find("; Fmsy is capped at Fp.05: 0.502 (5 % of SSB "
                                                   "at that F: "),
            std::string::npos)
      << stochastic_equilibrium_summary(e);

  stock.in.reference.blim = 100;
  e = stock.simulated();
  EXPECT_TRUE(point(e, kStochasticFmsy));
  EXPECT_FALSE(point(e, kFp05));
  EXPECT_FALSE(point(e, kStochasticFlim));
  EXPECT_FALSE(point(e, kPrecautionaryFmsy));
  const std::string line = stochastic_equilibrium_summary(e);
  EXPECT_NE(line.find("; Fp.05 none; Flim none; even without fishing SSB is below Blim in 100 % of "
                      "years"),
            std::string::npos)
      << line;
  EXPECT_THROW(stock.simulated(kLeastSimulations - 1), ForecastError);
  EXPECT_THROW(stock.simulated(kMostSimulations + 1), ForecastError);
}

// SSB of one mature age, two years after its recruitment, and a breakpoint below every stock: SSB
// is lognormal around the plateau's 1000 recruits' survivors, so it falls below its median times
// e^{-1.645 sd} in 5 % of years.
TEST(StochasticEquilibrium, ShareBelowBlimOfALognormalStock) {
  Forecast forecast;
  forecast.ages = {age(1, 0, 0, 0.2, 0), age(2, 0, 0, 0.2, 0), age(3, 0, 1, 0.2, 1)};
  forecast.fbar_status_quo = 0;
  ForecastInput in;
  SegmentedFit fit;
  fit.breakpoint = 1e-6;
  fit.slope = 1e9;
  fit.plateau = 1000;
  const double sd = 0.4;
  const Deviations d{
      autocorrelated_deviations(sd, 0, 2000, 3, UniformRandom::Stream::Recruitment), {}};
  const double median = 1000 * std::exp(-0.4);
  const StochasticRow r =
      simulate_at(forecast, in, fit, d, 2000, median * std::exp(-1.6448536 * sd), 0);
  EXPECT_NEAR(r.p_below_blim, 0.05, 0.003);
  EXPECT_NEAR(r.ssb_q50, median, 0.01 * median);
  EXPECT_NEAR(r.ssb_q05, median * std::exp(-1.6448536 * sd), 0.01 * median);
  EXPECT_EQ(r.yield_q95, 0);
}

// Fishing that misses its F: with recruitment on the plateau throughout (SSB stays above the
// breakpoint), the two-age stock's SSB in year t is that of 20 recruits that lived year t - 1 at
// F = x e^{g(t-1)}: 20 e^{-0.2 - x e^g}. With g normal of sd 0.2 it falls below
// 20 e^{-0.2 - x e^{1.645 x 0.2}} in 5 % of years; without the error, never.
TEST(StochasticEquilibrium, FishingErrorSpreadsTheSpawningStock) {
  const TwoAges stock;
  const double x = 0.2, sd = 0.2;
  const double blim = 20 * std::exp(-0.2 - x * std::exp(1.6448536 * sd));
  Deviations d{std::vector<double>(static_cast<std::size_t>(2000 * kYears), 0.0), {}};
  EXPECT_EQ(simulate_at(stock.forecast, stock.in, stock.equilibrium.fit, d, 2000, blim, x)
                .p_below_blim,
            0);
  d.fishing = autocorrelated_deviations(sd, 0, 2000, 5, UniformRandom::Stream::Fishing);
  const StochasticRow r =
      simulate_at(stock.forecast, stock.in, stock.equilibrium.fit, d, 2000, blim, x);
  EXPECT_NEAR(r.p_below_blim, 0.05, 0.003);
  EXPECT_NEAR(r.recruitment_q50, 20, 1e-9);  // never below the breakpoint

  // The settings reach the simulation and its line.
  TwoAges asked;
  const StochasticEquilibrium e = stochastic_equilibrium_of(
      asked.forecast, asked.in, asked.per_recruit, asked.equilibrium, stick(4),
      SimulationSettings{20, {0.2, 0.4}, 7});
  EXPECT_NE(stochastic_equilibrium_summary(e).find(
                "around the segmented regression, F realised with sd 0.20 and autocorrelation "
                "0.40; Blim 5, the breakpoint)"),
            std::string::npos)
      << stochastic_equilibrium_summary(e);
  // The deterministic two-age stock's risk now rises before Fcrash: Fp.05 comes earlier.
  const std::optional<StochasticRow> fp05 = point(e, kFp05);
  ASSERT_TRUE(fp05);
  EXPECT_LT(fp05->f_mult, 1.15);
}

// The advice rule holds a stock fished far beyond Fcrash (x = 2 against 1.186): below MSY Btrigger
// 20 the year's F is 2 SSB / 20, so the age-2 fish that make next year's SSB lived their first
// year at F = SSB / 10 and SSB settles where S = 20 e^{-0.2 - S/10}, above the breakpoint, while
// without the rule the stock crashes.
TEST(StochasticEquilibrium, AdviceRuleHoldsTheStockBelowBtrigger) {
  const TwoAges stock;
  const Deviations flat{std::vector<double>(static_cast<std::size_t>(kYears), 0.0), {}};
  const auto simulated = [&](std::optional<double> btrigger) {
    return simulate_at(stock.forecast, stock.in, stock.equilibrium.fit, flat, 1, 5, 2.0,
                       btrigger);
  };
  EXPECT_EQ(simulated(std::nullopt).p_below_blim, 1);
  double lo = 5, hi = 20;  // S - 20 e^{-0.2 - S/10} rises with S
  for (int i = 0; i < 100; ++i) {
    const double mid = (lo + hi) / 2;
    (mid - 20 * std::exp(-0.2 - mid / 10) < 0 ? lo : hi) = mid;
  }
  const StochasticRow held = simulated(20.0);
  EXPECT_NEAR(held.ssb_q50, lo, 1e-6 * lo);
  EXPECT_EQ(held.p_below_blim, 0);
  // The yield, all of the fish of age 2 (the recruits weigh nothing): 20 e^{-0.2 - f} of them at
  // f = 2 S / 20, the catch at mid-year.
  const double f = 2 * lo / 20;
  const double yield = (1 - std::exp(-f)) * std::exp(-0.2 - f) * std::exp(-0.1) * 20;
  EXPECT_NEAR(held.yield_q50, yield, 1e-6 * yield);

  TwoAges asked;
  const StochasticEquilibrium e = stochastic_equilibrium_of(
      asked.forecast, asked.in, asked.per_recruit, asked.equilibrium, stick(4),
      SimulationSettings{20, {}, 7, 20.0});
  EXPECT_NE(stochastic_equilibrium_summary(e).find(
                ", fished by the advice rule below MSY Btrigger 20; Blim 5, the breakpoint)"),
            std::string::npos)
      << stochastic_equilibrium_summary(e);
  const std::optional<StochasticRow> twice = point(e, "F x 2");
  ASSERT_TRUE(twice);
  EXPECT_EQ(twice->p_below_blim, 0);  // as the single stock above
}

// Fish that spawn before they are fished: the median yield still rises at three times status
// quo, so there is no Fmsy and nothing to cap.
TEST(StochasticEquilibrium, NoFmsyWhileTheYieldStillRises) {
  Forecast forecast;
  forecast.ages = {age(1, 0, 1, 0.2, 1), age(2, 1, 1, 0.2, 0)};
  forecast.fbar_status_quo = 1;
  ForecastInput in;
  in.fbar_ages = {1, 2};
  const PerRecruit per_recruit = per_recruit_of(forecast, in);
  const Equilibrium equilibrium = equilibrium_of(forecast, in, per_recruit, stick(4));
  const StochasticEquilibrium e =
      stochastic_equilibrium_of(forecast, in, per_recruit, equilibrium, stick(4),
                                SimulationSettings{10, {}, 1});
  EXPECT_FALSE(point(e, kStochasticFmsy));
  EXPECT_FALSE(point(e, kPrecautionaryFmsy));
  EXPECT_NE(stochastic_equilibrium_summary(e).find(
                "no Fmsy (the median yield still rises at 3 x status quo); Fp.05 none; Flim none"),
            std::string::npos)
      << stochastic_equilibrium_summary(e);
}

}  // namespace
}  // namespace quorvane
