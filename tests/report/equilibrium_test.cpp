#include "report/equilibrium.h"

#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <string>
#include <vector>

#include "report/tables.h"
#include "tests/support/forecast_ages.h"
#include "tests/support/two_age_stock.h"

namespace quorvane {
namespace {

constexpr auto age = forecast_age;

std::optional<EquilibriumRow> point(const Equilibrium& e, const std::string& option) {
  for (const EquilibriumRow& r : e.rows)
    if (r.option == option) return r;
  return std::nullopt;
}

using TwoAges = TwoAgeStock;
constexpr auto spr = TwoAgeStock::spr;
constexpr auto ypr = TwoAgeStock::ypr;

// A stick of slope 4 and plateau 20: the stock replaces itself while SPR >= 1/4, so Fcrash is at
// e^{-0.2-x} = 1/4, x = ln 4 - 0.2, beyond Fmax (ln 2): the yield is largest there. Below Fcrash
// every level holds the plateau's 20 recruits and 20 SPR of SSB; from it on, nothing.
TEST(Equilibrium, ClosedFormsWithFmaxBelowFcrash) {
  const TwoAges stock;
  const Equilibrium e = stock.with(stick(4));
  EXPECT_NEAR(e.fit.breakpoint, 5, 1e-12);
  EXPECT_NEAR(e.fit.plateau, 20, 1e-12);
  const double crash = std::log(4.0) - 0.2;
  ASSERT_EQ(e.rows.size(), static_cast<std::size_t>(kPerRecruitSteps + 1 + 2));
  for (int i = 0; i <= kPerRecruitSteps; ++i) {
    const EquilibriumRow& r = e.rows[static_cast<std::size_t>(i)];
    const double x = r.f_mult;
    EXPECT_EQ(r.fbar, x) << r.option;
    if (x < crash) {
      EXPECT_NEAR(r.recruitment, 20, 1e-12) << r.option;
      EXPECT_NEAR(r.ssb, 20 * spr(x), 1e-12) << r.option;
      EXPECT_NEAR(r.yield, 20 * ypr(x), 1e-12) << r.option;
    } else {
      EXPECT_EQ(r.recruitment, 0) << r.option;
      EXPECT_EQ(r.ssb, 0) << r.option;
      EXPECT_EQ(r.yield, 0) << r.option;
    }
  }
  const std::optional<EquilibriumRow> fcrash = point(e, kFcrash);
  ASSERT_TRUE(fcrash);
  EXPECT_NEAR(fcrash->fbar, crash, 1e-12);
  EXPECT_NEAR(fcrash->ssb, 5, 1e-12);  // the breakpoint: 20 recruits x SPR 1/4
  EXPECT_NEAR(fcrash->recruitment, 20, 1e-12);
  EXPECT_NEAR(fcrash->yield, 20 * ypr(crash), 1e-12);
  const std::optional<EquilibriumRow> msy = point(e, kDeterministicFmsy);
  ASSERT_TRUE(msy);
  EXPECT_NEAR(msy->fbar, std::log(2.0), 1e-9);
  EXPECT_NEAR(msy->yield, 20 * 0.25 * std::exp(-0.3), 1e-12);
  EXPECT_NEAR(msy->ssb, 20 * std::exp(-0.2) / 2, 1e-9);
  EXPECT_EQ(equilibrium_summary(e),
            "Equilibrium (F-bar 1-2; segmented regression on 5 year classes, breakpoint SSB 5): "
            "Fcrash 1.186; the yield is largest at Fmax 0.693, 4 a year with SSB 8");
  const std::string csv = equilibrium_csv(e);
  EXPECT_EQ(csv.substr(0, csv.find('\n')), "option,f_mult,fbar,recruitment,ssb,yield");
  EXPECT_NE(csv.find("\nFcrash,"), std::string::npos);
}

// A slope of 2 needs SPR >= 1/2: Fcrash at x = ln 2 - 0.2, below Fmax, so the yield rises until
// the stock crashes and there is no Fmsy; a slope of 1 needs more than a recruit leaves without
// fishing (e^{-0.2}); recruitment in proportion to SSB has no plateau; four year classes are too
// few.
TEST(Equilibrium, FcrashBelowFmaxAndStocksWithoutAnEquilibrium) {
  const TwoAges stock;
  const Equilibrium e = stock.with(stick(2));
  EXPECT_NEAR(point(e, kFcrash)->fbar, std::log(2.0) - 0.2, 1e-12);
  EXPECT_FALSE(point(e, kDeterministicFmsy));
  EXPECT_NE(equilibrium_summary(e).find(
                "Fcrash 0.493; the yield rises until the stock crashes: no Fmsy to be had"),
            std::string::npos)
      << equilibrium_summary(e);

  EXPECT_THROW(stock.with(stick(1)), ForecastError);
  std::vector<YearClass> proportional;
  for (int i = 1; i <= 6; ++i) proportional.push_back({1990 + i, 1.0 * i, 3.0 * i});
  EXPECT_THROW(stock.with(proportional), ForecastError);
  std::vector<YearClass> few = stick(4);
  few.pop_back();
  EXPECT_THROW(stock.with(few), ForecastError);
}

// Fishing only the older age while the younger is mature leaves SPR at least 1 for any F: with a
// stick of slope 2 the stock replaces itself at every level and has no Fcrash. Recruitment that
// never follows SSB puts the breakpoint at the lowest SSB seen, which the line says.
TEST(Equilibrium, NoFcrashWhenTheSpawnersEscapeAndABreakpointAtTheLowestSsb) {
  TwoAges stock;
  stock.forecast.ages = {age(1, 0, 1, 0, 1), age(2, 1, 1, 0, 1)};
  stock.per_recruit = per_recruit_of(stock.forecast, stock.in);
  const Equilibrium e = stock.with(stick(2));
  EXPECT_FALSE(point(e, kFcrash));
  for (const EquilibriumRow& r : e.rows) EXPECT_NEAR(r.recruitment, 10, 1e-12) << r.option;
  EXPECT_NE(equilibrium_summary(e).find("no Fcrash (the stock replaces itself at any F)"),
            std::string::npos);

  std::vector<YearClass> flat;
  for (int i = 1; i <= 5; ++i) flat.push_back({1990 + i, 1.0 * i, 3.0});
  const Equilibrium low = stock.with(flat);
  EXPECT_TRUE(low.fit.at_lowest);
  EXPECT_NE(equilibrium_summary(low).find(
                "breakpoint SSB 1 = the lowest SSB seen, so no stock effect in the data): "),
            std::string::npos)
      << equilibrium_summary(low);
}

// After a bootstrap each point carries the quantiles of its F-bar over the runs that have it:
// Fcrash over 1 and 3 (5 %: 1 + 0.05 x 2 = 1.1, 50 %: 2, 95 %: 2.9, 2 runs), the
// deterministic Fmsy over none; the curve's rows have empty cells.
TEST(Equilibrium, TablesGiveTheBootstrapQuantilesOfEachPoint) {
  Equilibrium e;
  e.rows = {{"F = 0", 0, 0, 10, 50, 0}, {kFcrash, 2, 0.3, 10, 5, 4}, {kDeterministicFmsy, 1, 0.15, 10, 20, 6}};
  std::vector<BootstrapRun> runs(3);
  runs[0].equilibrium = {{kFcrash, 0, 1, 0, 0, 0}};
  runs[2].equilibrium = {{kFcrash, 0, 3, 0, 0, 0}};
  EXPECT_EQ(equilibrium_csv(e, runs),
            "option,f_mult,fbar,recruitment,ssb,yield,fbar_q05,fbar_q50,fbar_q95,bootstrap_runs\n"
            "F = 0,0,0,10,50,0,,,,\n"
            "Fcrash,2,0.3,10,5,4,1.1,2,2.9,2\n"
            "Fmsy (deterministic),1,0.15,10,20,6,,,,0\n");
}

}  // namespace
}  // namespace quorvane
