#include "report/per_recruit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "report/tables.h"
#include "tests/support/forecast_ages.h"

namespace quorvane {
namespace {

// The forecast's ages alone make the per-recruit curves: F at age, weight, M and maturity.
Forecast ages_of(std::vector<ForecastAge> ages, double fbar_status_quo) {
  Forecast f;
  f.ages = std::move(ages);
  f.fbar_status_quo = fbar_status_quo;
  return f;
}

constexpr auto age = forecast_age;

ForecastInput input(double part, bool plus_group) {
  ForecastInput in;
  in.part = part;
  in.plus_group = plus_group;
  in.fbar_ages = {1, 2};
  return in;
}

std::optional<PerRecruitRow> point(const PerRecruit& p, const std::string& option) {
  for (const PerRecruitRow& r : p.rows)
    if (r.option == option) return r;
  return std::nullopt;
}

// Two ages without a plus group, no M, catch at the start of the year, weight 1, only the older
// age mature; status quo F (0.3, 0.5), F-bar 0.4. Per recruit at multiplier x:
//   YPR = (1 - e^{-0.3x}) + (1 - e^{-0.5x}) e^{-0.3x} = 1 - e^{-0.8x},  slope 0.8 e^{-0.8x}
//   SPR = e^{-0.3x}
// so the slope is a tenth of its start at x = ln 10 / 0.8 (F0.1 = 0.4 x), YPR rises for ever
// (no Fmax), and SPR is 35 % of its start at x = -ln 0.35 / 0.3.
TEST(PerRecruit, ClosedFormsOfTwoAges) {
  const Forecast f = ages_of({age(1, 0.3, 1, 0, 0), age(2, 0.5, 1, 0, 1)}, 0.4);
  const PerRecruit p = per_recruit_of(f, input(0, false));
  ASSERT_EQ(p.rows.size(), static_cast<std::size_t>(kPerRecruitSteps + 1 + 3));
  EXPECT_EQ(p.rows[0].option, "F = 0");
  EXPECT_EQ(p.rows[1].option, "F x 0.05");
  EXPECT_EQ(p.rows[20].option, "status quo");
  EXPECT_EQ(p.rows[60].option, "F x 3");
  for (const PerRecruitRow& r : p.rows) {
    EXPECT_NEAR(r.ypr, 1 - std::exp(-0.8 * r.f_mult), 1e-15) << r.option;
    EXPECT_NEAR(r.spr, std::exp(-0.3 * r.f_mult), 1e-15) << r.option;
    EXPECT_NEAR(r.spr_percent, 100 * std::exp(-0.3 * r.f_mult), 1e-12) << r.option;
    EXPECT_DOUBLE_EQ(r.fbar, 0.4 * r.f_mult) << r.option;
  }
  ASSERT_TRUE(point(p, "F0.1"));
  EXPECT_NEAR(point(p, "F0.1")->fbar, 0.4 * std::log(10.0) / 0.8, 1e-12);
  EXPECT_FALSE(point(p, "Fmax"));
  EXPECT_NEAR(point(p, "F35%SPR")->fbar, 0.4 * -std::log(0.35) / 0.3, 1e-12);
  EXPECT_NEAR(point(p, "F40%SPR")->fbar, 0.4 * -std::log(0.40) / 0.3, 1e-12);
  EXPECT_EQ(per_recruit_summary(p),
            "Per recruit (F-bar 1-2): F0.1 1.151, Fmax none, F35%SPR 1.400, F40%SPR 1.222; "
            "status quo F-bar 0.400 leaves 74 % of the SPR without fishing");
}

// Only the older age has weight and M 0.2 takes a share before it: YPR = (1 - e^{-x}) e^{-x-0.2}
// with F 1 at both ages, largest at e^{-x} = 1/2, so Fmax = ln 2 (F-bar 1 at status quo). The
// catch is taken at mid-year: the older age's catch loses exp(-0.2 x 0.5) of its fish first.
TEST(PerRecruit, FmaxWhereTheYieldTurnsAndTheCatchAtMidYear) {
  const Forecast f = ages_of({age(1, 1, 0, 0.2, 0), age(2, 1, 1, 0.2, 1)}, 1);
  const PerRecruit p = per_recruit_of(f, input(0.5, false));
  ASSERT_TRUE(point(p, "Fmax"));
  EXPECT_NEAR(point(p, "Fmax")->fbar, std::log(2.0), 1e-9);
  EXPECT_NEAR(point(p, "Fmax")->ypr, 0.25 * std::exp(-0.2) * std::exp(-0.1), 1e-15);
  // The same curve with a status quo F-bar of 0.1 turns at F-bar 0.069; with one of 10 it turns
  // at F-bar 6.9, beyond the F-bar where a maximum is looked for: no Fmax.
  EXPECT_TRUE(point(per_recruit_of(ages_of(f.ages, 0.1), input(0.5, false)), "Fmax"));
  EXPECT_FALSE(point(per_recruit_of(ages_of(f.ages, 10), input(0.5, false)), "Fmax"));
}

// One age that is a plus group: N = 1 / (1 - e^{-M-F}), the fish of every age it holds. The exact
// slope behind F0.1 agrees with a central difference of the yield. With M and F 0 it never dies.
TEST(PerRecruit, PlusGroupSumsEveryLaterYearAndNeverDyingIsRefused) {
  const Forecast f = ages_of({age(5, 0.4, 2, 0.3, 0.5)}, 0.4);
  const PerRecruit p = per_recruit_of(f, input(0.25, true));
  for (const PerRecruitRow& r : p.rows) {
    const double z = 0.3 + 0.4 * r.f_mult;
    const double n = 1 / (1 - std::exp(-z));
    EXPECT_NEAR(r.ypr, (1 - std::exp(-0.4 * r.f_mult)) * n * std::exp(-0.3 * 0.25) * 2,
                1e-13 * (1 + r.ypr))
        << r.option;
    EXPECT_NEAR(r.spr, n * 2 * 0.5, 1e-13 * r.spr) << r.option;
  }
  // F0.1 by a difference quotient of the yield: the slope there is a tenth of that at 0.
  const auto ypr = [&](double x) {
    const double n = 1 / (1 - std::exp(-0.3 - 0.4 * x));
    return (1 - std::exp(-0.4 * x)) * n * std::exp(-0.075) * 2;
  };
  const double h = 1e-5, x = point(p, "F0.1")->f_mult;
  const double slope0 = (ypr(h) - ypr(0)) / h;
  EXPECT_NEAR((ypr(x + h) - ypr(x - h)) / (2 * h), slope0 / 10, 1e-5 * slope0);

  EXPECT_THROW(per_recruit_of(ages_of({age(5, 0.4, 2, 0, 0.5)}, 0.4), input(0, true)),
               ForecastError);
}

// After a bootstrap each reference point carries the quantiles of its F-bar over the runs that
// have it: F0.1 over 0.1 and 0.3 (5 %: 0.1 + 0.05 x 0.2 = 0.11, 50 %: 0.2, 95 %: 0.29, 2 runs),
// Fmax over 0.5 alone, F35%SPR over none; the curve's rows have empty cells.
TEST(PerRecruit, TablesGiveTheBootstrapQuantilesOfEachReferencePoint) {
  PerRecruit p;
  p.rows = {{"F = 0", 0, 0, 0, 5, 100},
            {"F0.1", 1, 0.2, 1, 2, 40},
            {"Fmax", 2, 0.4, 1.2, 1, 20},
            {"F35%SPR", 1.5, 0.3, 1.1, 1.75, 35}};
  std::vector<BootstrapRun> runs(3);
  runs[0].per_recruit = {{"F0.1", 0, 0.1, 0, 0, 0}, {"Fmax", 0, 0.5, 0, 0, 0}};
  runs[1].per_recruit = {{"F0.1", 0, 0.3, 0, 0, 0}};
  const std::string csv = per_recruit_csv(p, runs);
  std::istringstream lines(csv);
  std::vector<std::string> rows;
  for (std::string line; std::getline(lines, line);) rows.push_back(line);
  ASSERT_EQ(rows.size(), 5u) << csv;
  EXPECT_EQ(rows[0], "option,f_mult,fbar,ypr,spr,spr_percent,fbar_q05,fbar_q50,fbar_q95,bootstrap_runs");
  EXPECT_EQ(rows[1], "F = 0,0,0,0,5,100,,,,");
  const auto tail = [](const std::string& row) {
    std::vector<double> v;
    std::istringstream in(row.substr(row.find(",40,") + 4));
    for (std::string cell; std::getline(in, cell, ',');) v.push_back(std::stod(cell));
    return v;
  };
  const std::vector<double> f01 = tail(rows[2]);
  ASSERT_EQ(f01.size(), 4u) << rows[2];
  EXPECT_NEAR(f01[0], 0.11, 1e-15);
  EXPECT_NEAR(f01[1], 0.2, 1e-15);
  EXPECT_NEAR(f01[2], 0.29, 1e-15);
  EXPECT_EQ(f01[3], 2);
  EXPECT_EQ(rows[3], "Fmax,2,0.4,1.2,1,20,0.5,0.5,0.5,1");
  EXPECT_EQ(rows[4], "F35%SPR,1.5,0.3,1.1,1.75,35,,,,0");
  EXPECT_EQ(per_recruit_csv(p).find("q05"), std::string::npos);  // no bootstrap, no columns
}

}  // namespace
}  // namespace quorvane
