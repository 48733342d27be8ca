#include "report/forecast.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/errors.h"
#include "report/tables.h"

namespace quorvane {
namespace {

constexpr double kTolerance = 1e-12;  // relative; the sums below have at most a few terms

void expect_close(double actual, double expected) {
  EXPECT_NEAR(actual, expected, kTolerance * std::abs(expected)) << actual;
}

// A fitted block of ages 1-2 and years 2000-2002: recruitment 100, 200, 400, age 2 has 50, 80,
// 120 fish; F at age (0.1, 0.2), (0.1, 0.1), (0.2, 0.4); weights (1, 2), (1, 2), (3, 4);
// maturity 0 at age 1, 1 at age 2; M as given; catch in every cell.
std::vector<StockCell> small_block(double m) {
  const double n[3][2] = {{100, 50}, {200, 80}, {400, 120}};
  const double f[3][2] = {{0.1, 0.2}, {0.1, 0.1}, {0.2, 0.4}};
  const double w[3][2] = {{1, 2}, {1, 2}, {3, 4}};
  std::vector<StockCell> cells;
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 2; ++j) {
      StockCell c;
      c.year = 2000 + i;
      c.age = 1 + j;
      c.catch_numbers = 10;
      c.weight = w[i][j];
      c.stock_weight = w[i][j];
      c.m = m;
      c.maturity = j;
      c.n = n[i][j];
      c.f = f[i][j];
      cells.push_back(c);
    }
  }
  return cells;
}

ForecastInput input_of(const std::vector<StockCell>& cells, int mean_years) {
  ForecastInput in;
  in.cells = cells;
  in.part = 0.5;
  in.fbar_ages = {1, 2};
  in.settings.on = true;
  in.settings.mean_years = mean_years;
  return in;
}

const ForecastRow& row(const Forecast& f, int year, const std::string& option) {
  for (const ForecastRow& r : f.rows)
    if (r.year == year && r.option == option) return r;
  throw std::logic_error("no row " + option);
}

// Without M and with the last year's F (one mean year), by hand:
//   recruitment: geometric mean of 100 and 200 (2000-2001) = sqrt(20000) = 141.4213562373095
//   N(2003): 141.42 at age 1; 400 exp(-0.2) = 327.4923012311928 at age 2, the 120 fish of age 2
//   leave the model (normal last age)
//   catch 2003 with the 2002 weights (3, 4): (1 - e^-0.2) 141.42 * 3 + (1 - e^-0.4) 327.49 * 4
//   = 0.18126925 * 424.264 + 0.32967995 * 1309.969 = 76.906 + 431.870 = 508.7766154058113
//   SSB 2003 = 327.49 * 4 = 1309.969; SSB 2004 = 141.42 e^-0.2 * 4 = 463.144...
// A plus group keeps the 120 fish: N(2003, 2) = 327.49 + 120 e^-0.4 = 407.9307067554695.
TEST(Forecast, CarriesTheSurvivorsForwardWithTheAssumedRecruitment) {
  const std::vector<StockCell> cells = small_block(0);
  const Forecast f = make_forecast(input_of(cells, 1));
  EXPECT_EQ(f.data_year, 2002);
  EXPECT_EQ(f.recruitment_years, (std::array<int, 2>{2000, 2001}));
  expect_close(f.recruitment, 141.4213562373095);
  ASSERT_EQ(f.ages.size(), 2u);
  expect_close(f.ages[0].n, 141.4213562373095);
  expect_close(f.ages[1].n, 327.49230123119276);
  expect_close(f.ages[1].f, 0.4);
  expect_close(f.fbar_status_quo, 0.3);

  const ForecastRow& now = f.rows.front();
  EXPECT_EQ(now.year, 2003);
  EXPECT_EQ(now.option, "status quo");
  expect_close(now.catch_weight, 508.7766154058113);
  expect_close(now.ssb, 1309.969204924771);
  expect_close(now.ssb_next, 463.14405397392784);

  // No fishing in 2004: the 2004 recruits all survive to 2005, SSB = 141.42 * 4.
  const ForecastRow& none = row(f, 2004, "F = 0");
  EXPECT_EQ(none.catch_weight, 0);
  expect_close(none.ssb, 463.14405397392784);
  expect_close(none.ssb_next, 565.685424949238);
  EXPECT_EQ(f.rows.size(), 22u);  // 2003, then F x 0, 0.1, ..., 2
  expect_close(row(f, 2004, "F x 1.5").fbar, 0.45);

  ForecastInput plus = input_of(cells, 1);
  plus.plus_group = true;
  expect_close(make_forecast(plus).ages[1].n, 407.9307067554695);
}

// M = 0.2, catch at mid-year, two mean years (2001-2002): F at age (0.15, 0.25) has F-bar 0.2,
// scaled to the F-bar 0.3 of 2002 gives Fsq = (0.225, 0.375); mean weights (2, 3).
//   N(2003, 2) = 400 exp(-0.2 - 0.2) = 268.12801841425573
//   catch 2003 = sum (1 - e^-Fsq) N e^-0.1 W = 279.16744116553957
// Fpa 0.45 is 1.5 times the status quo: in 2004, with N(2004) = (141.42, 141.42 e^-0.425),
//   catch = sum (1 - e^-1.5 Fsq) N e^-0.1 W = 181.28373973229327
TEST(Forecast, ScalesTheMeanPatternToTheLastFBarAndAddsTheReferencePoints) {
  const std::vector<StockCell> cells = small_block(0.2);
  ForecastInput in = input_of(cells, 2);
  in.reference.fpa = 0.45;
  const Forecast f = make_forecast(in);
  EXPECT_EQ(f.mean_years, (std::array<int, 2>{2001, 2002}));
  expect_close(f.ages[0].f, 0.225);
  expect_close(f.ages[1].f, 0.375);
  expect_close(f.ages[1].weight, 3);
  expect_close(f.ages[1].n, 268.12801841425573);
  expect_close(f.rows.front().catch_weight, 279.16744116553957);
  const ForecastRow& fpa = f.rows.back();
  EXPECT_EQ(fpa.option, "Fpa");
  EXPECT_EQ(fpa.fbar, 0.45);
  expect_close(fpa.f_mult, 1.5);
  expect_close(fpa.catch_weight, 181.28373973229327);
  // A constant M is its own mean: 0.2, not (0.2 + 0.2 + 0.2) / 3 = 0.20000000000000004.
  EXPECT_EQ(make_forecast(input_of(cells, 3)).ages[0].m, 0.2);
}

// The F that takes an expected catch in the intermediate year and the F that leaves SSB at Bpa,
// on the first block (no M, the 2002 weights (3, 4), status quo F (0.2, 0.4)):
//   the status quo catch 508.7766154058113 is taken at x = 1; the stock can give at most
//   141.42 * 3 + 327.49 * 4 = 1734.2, so 2000 cannot be taken; a catch of 0 is x = 0;
//   SSB at the start of 2005 = 141.42 e^-0.2x * 4 (age 2 leaves the model) is 500 at
//   x = -ln(500 / 565.685) / 0.2 = 0.617150194828815, and above 565.685 never;
//   the status quo catch of 2004 from N(2004) = (141.42, 141.42 e^-0.2 = 115.79) is
//   0.18127 * 141.42 * 3 + 0.32968 * 115.79 * 4 = 76.91 + 152.69 = 229.6.
TEST(Forecast, FindsTheFishingOfAnExpectedCatchAndOfSsbAtBpa) {
  const std::vector<StockCell> cells = small_block(0);
  ForecastInput in = input_of(cells, 1);
  in.settings.intermediate_catch = 508.7766154058113;
  in.reference.bpa = 500;
  const Forecast f = make_forecast(in);
  EXPECT_EQ(f.rows.front().option, "catch constraint");
  expect_close(f.rows.front().f_mult, 1);
  const ForecastRow& bpa = f.rows.back();
  EXPECT_EQ(bpa.option, "SSB = Bpa");
  EXPECT_NEAR(bpa.f_mult, 0.617150194828815, 1e-12);
  expect_close(bpa.ssb_next, 500);
  EXPECT_EQ(forecast_summary(f),
            "Forecast: a catch of 509 in 2003 (F-bar 0.300), then at status quo F-bar 0.300 a "
            "catch of 230 in 2004, SSB 463 at the start of 2005");

  // The MSY approach: SSB at the start of 2004, 463.144, is half of an MSY Btrigger of 926.288,
  // so Fmsy 0.3 is cut to an F-bar of 0.15, half the status quo: the row "F x 0.5".
  in.reference.fmsy = 0.3;
  in.reference.msy_btrigger = 926.2881079478557;
  const Forecast msy = make_forecast(in);
  expect_close(row(msy, 2004, "Fmsy").f_mult, 1);
  expect_close(row(msy, 2004, "MSY approach").fbar, 0.15);
  expect_close(row(msy, 2004, "MSY approach").catch_weight, row(msy, 2004, "F x 0.5").catch_weight);
  in.reference.msy_btrigger = 400;  // SSB above it: Fmsy itself
  expect_close(row(make_forecast(in), 2004, "MSY approach").fbar, 0.3);
  in.reference.fmsy = in.reference.msy_btrigger = std::nullopt;

  in.settings.intermediate_catch = 0;
  in.reference.bpa = 600;
  const Forecast none = make_forecast(in);
  EXPECT_EQ(none.rows.front().f_mult, 0);
  EXPECT_EQ(none.rows.front().catch_weight, 0);
  EXPECT_NE(none.rows.back().option, "SSB = Bpa");

  in.settings.intermediate_catch = 2000;
  try {
    make_forecast(in);
    ADD_FAILURE() << "a catch above the stock was taken";
  } catch (const ForecastError& e) {
    EXPECT_STREQ(e.what(),
                 "the catch of 2000 expected in 2003 is more than the stock can give at any F");
  }
}

// A last year that carries surveys only: the forecast starts from the year before it.
TEST(Forecast, StartsAfterTheLastYearWithCatch) {
  std::vector<StockCell> cells = small_block(0);
  for (StockCell& c : cells)
    if (c.year == 2002) c.catch_numbers = 0;
  const Forecast f = make_forecast(input_of(cells, 1));
  EXPECT_EQ(f.data_year, 2001);
  EXPECT_EQ(f.rows.front().year, 2002);
  EXPECT_EQ(f.recruitment_years, (std::array<int, 2>{2000, 2000}));
  expect_close(f.recruitment, 100);
}

TEST(Forecast, RefusesWhatTheFitCannotCarry) {
  std::vector<StockCell> cells = small_block(0);
  const auto refusal = [](const ForecastInput& in) {
    try {
      make_forecast(in);
    } catch (const ForecastError& e) {
      return std::string(e.what());
    }
    return std::string("no refusal");
  };
  EXPECT_EQ(refusal(input_of(cells, 4)),
            "forecast_mean_years 4 is more than the 3 years with catch 2000-2002");
  ForecastInput years = input_of(cells, 1);
  years.settings.recruitment_years = std::array<int, 2>{1999, 2001};
  EXPECT_EQ(refusal(years),
            "the recruitment years 1999-2001 are not inside the years with catch 2000-2002");
  cells[2].n = 0;  // recruitment of 2001
  EXPECT_EQ(refusal(input_of(cells, 1)),
            "the recruitment of 2001 is 0, and its geometric mean needs every year's above 0");
  cells = small_block(0);
  cells[4].f = cells[5].f = 0;  // no fishing in 2002
  EXPECT_EQ(refusal(input_of(cells, 1)),
            "the F-bar of 2002 is 0: there is no status quo fishing to carry forward");
  for (StockCell& c : cells) c.catch_numbers = 0;
  EXPECT_EQ(refusal(input_of(cells, 1)), "no year of the analysis has a catch");
}

TEST(Forecast, TablesGiveTheSsbChangeInPerCent) {
  const std::vector<StockCell> cells = small_block(0);
  const Forecast f = make_forecast(input_of(cells, 1));
  const std::string csv = forecast_csv(f);
  EXPECT_EQ(csv.substr(0, csv.find('\n')), "year,option,f_mult,fbar,catch,ssb,ssb_next,ssb_change");
  // 2004 at F = 0: SSB from 463.144 to 565.685, +22.14 %.
  const std::size_t at = csv.find("2004,F = 0,0,0,0,");
  ASSERT_NE(at, std::string::npos) << csv;
  const std::string line = csv.substr(at, csv.find('\n', at) - at);
  EXPECT_NEAR(std::stod(line.substr(line.rfind(',') + 1)), 22.140275816017, 1e-9) << line;
  EXPECT_EQ(forecast_input_csv(f).substr(0, 45),
            "age,n,f,weight,m,maturity,stock_weight\n1,141.");

  // After a bootstrap, each row's quantiles over the runs that have it: two runs give the 2004
  // F = 0 row catches 0 and 0, SSB 500 and 700 (5 %: 510, 50 %: 600, 95 %: 690); one of them
  // has no forecast of the status quo row.
  std::vector<BootstrapRun> runs(2);
  runs[0].forecast = {{2004, "F = 0", 0, 0, 0, 1, 500}, {2004, "status quo", 1, 0.3, 200, 1, 400}};
  runs[1].forecast = {{2004, "F = 0", 0, 0, 0, 1, 700}};
  const std::string with_runs = forecast_csv(f, runs);
  EXPECT_NE(with_runs.find(",ssb_change,catch_q05,catch_q50,catch_q95,ssb_next_q05,ssb_next_q50,"
                           "ssb_next_q95,bootstrap_runs\n"),
            std::string::npos)
      << with_runs;
  EXPECT_NE(with_runs.find(",0,0,0,510,600,690,2\n"), std::string::npos) << with_runs;
  EXPECT_NE(with_runs.find(",200,200,200,400,400,400,1\n"), std::string::npos) << with_runs;
  EXPECT_NE(with_runs.find(",,,,,,,0\n"), std::string::npos);  // rows no run has
}

}  // namespace
}  // namespace quorvane
