// The charts of a run's tables, drawn from small tables folders; the test program's main, at the
// end, gives the charts the QApplication they need.
#include "plot/charts.h"

#include <gtest/gtest.h>

#include <QtCharts>
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <limits>
#include <map>
#include <memory>
#include <tuple>
#include <vector>

#include "base/errors.h"
#include "plot/tests/image_checks.h"
#include "tests/support/files.h"

namespace quorvane::plot {
namespace {

namespace fs = std::filesystem;

// The titles of a chart's axes and the names of its series, each between bars.
std::string labels_of(const QChart& chart) {
  QString labels = "|";
  for (const QAbstractAxis* axis : chart.axes()) labels += axis->titleText() + '|';
  for (const QAbstractSeries* s : chart.series()) labels += s->name() + '|';
  return labels.toStdString();
}

// Tables folders as a run writes them, cut down to the columns the charts read. small_run: two
// years and two ages, the catch residual of 2001 age 1 left empty. labelled_run: the same stock
// with a named fleet, F-bar ages, bootstrap bands (an SSB 95 % value of 5e12, far above the
// axis) and the units of numbers and weights.
const fs::path kSmallRun = quorvane::testing::kSourceDir / "tests/data/plot/small_run";
const fs::path kLabelledRun = quorvane::testing::kSourceDir / "tests/data/plot/labelled_run";

// Band values outside the axis are placed on it, never handed to the chart as they are: 1E12 and
// infinity above a cap of 100 become 100 (and the band says it is cut), a negative 5 % value 0,
// and a year whose 95 % value is not a number is left out.
TEST(BootstrapBand, ValuesAreClampedIntoTheAxisAndACutIsNoted) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  std::vector<SummaryRow> rows(4);
  for (int i = 0; i < 4; ++i) rows[i].year = 2000 + i;
  rows[0].ssb_q05 = 10, rows[0].ssb_q95 = 50;
  rows[1].ssb_q05 = -3, rows[1].ssb_q95 = 1e12;
  rows[2].ssb_q05 = 20, rows[2].ssb_q95 = nan;
  rows[3].ssb_q05 = 30, rows[3].ssb_q95 = std::numeric_limits<double>::infinity();
  const BandPoints band = clamped_band(rows, &SummaryRow::ssb_q05, &SummaryRow::ssb_q95, 100);
  using Points = std::vector<std::pair<double, double>>;
  EXPECT_EQ(band.upper, (Points{{2000, 50}, {2001, 100}}));
  EXPECT_EQ(band.lower, (Points{{2000, 10}, {2001, 0}}));
  EXPECT_TRUE(band.cut);
  EXPECT_FALSE(clamped_band({rows[0]}, &SummaryRow::ssb_q05, &SummaryRow::ssb_q95, 100).cut);
}

// A year class pairs the recruits at the first analysed age (the youngest of stock.csv) with the
// SSB of the year that many years before; a year without either is no year class. The chart
// needs two of them.
TEST(Charts, StockAndRecruitmentPairsEachYearClassWithItsParents) {
  PlotData data;
  for (int year : {2000, 2001, 2002, 2003, 2004}) {
    SummaryRow r;
    r.year = year;
    if (year != 2001) r.ssb = 100.0 * (year - 1999);
    r.recruitment = 10.0 * (year - 1999);
    data.summary.push_back(r);
  }
  EXPECT_TRUE(year_classes(data).empty());  // no ages
  data.stock = {{2000, 3, {}, {}, {}, {}}, {2000, 2, {}, {}, {}, {}}};
  const std::vector<YearClass> classes = year_classes(data);
  ASSERT_EQ(classes.size(), 2u);
  EXPECT_EQ(classes[0].year, 2000);
  EXPECT_EQ(classes[0].ssb, 100.0);
  EXPECT_EQ(classes[0].recruits, 30.0);  // 2002's recruits at age 2
  EXPECT_EQ(classes[1].year, 2002);
  EXPECT_EQ(classes[1].recruits, 50.0);
  const std::string labels =
      labels_of(*std::unique_ptr<QChart>(make_chart(data, "stock_recruitment")));
  EXPECT_NE(labels.find("|Recruits at age 2 (catch units)|"), std::string::npos) << labels;
  EXPECT_NE(labels.find("|Latest year class, 2002|"), std::string::npos) << labels;

  // The small run has one year class only: recruits of 2001 at age 1 from the SSB of 2000.
  const PlotData small = read_plot_data(kSmallRun.string());
  EXPECT_EQ(year_classes(small).size(), 1u);
  for (const ChartInfo& c : available_charts(small)) EXPECT_NE(c.name, "stock_recruitment");
}

// The forecast chart draws the advice year (the last of forecast.csv) in order of F-bar; the
// intermediate year and the rows at Fpa, Flim and SSB = Bpa are not points of its curve, and the
// reference points stand as lines only when the run states them. One point is no curve, and no
// chart.
TEST(Charts, ForecastCurveIsTheAdviceYearInOrderOfFbar) {
  PlotData data;
  // Year, option, F-bar, catch, SSB and SSB of the next year; no bootstrap.
  const auto row = [](int year, std::string option, double fbar, double catch_weight, double ssb,
                      double ssb_next) {
    return ForecastRowData{
        year, std::move(option), fbar, catch_weight, ssb, ssb_next, {}, {}, {}, {}};
  };
  data.forecast = {row(2015, "status quo", 0.3, 100, 500, 600),
                   row(2016, "F x 0.5", 0.15, 60, 600, 700),
                   row(2016, "F = 0", 0.0, 0, 600, 760),
                   row(2016, "Fpa", 0.4, 140, 600, 560),
                   row(2016, "SSB = Bpa", 0.9, 200, 600, 550),
                   row(2016, "status quo", 0.3, 110, 600, 650)};
  std::vector<std::string> options;
  for (const ForecastRowData& r : forecast_curve(data)) options.push_back(r.option);
  EXPECT_EQ(options, (std::vector<std::string>{"F = 0", "F x 0.5", "status quo"}));
  data.reference.bpa = 550;
  data.reference.fmsy = 0.25;
  const std::string labels = labels_of(*std::unique_ptr<QChart>(make_chart(data, "forecast")));
  EXPECT_EQ(labels,
            "|F-bar in 2016|Catch and SSB (catch units)|Catch in 2016|SSB at the start of 2017|"
            "Status quo F|Bpa|Fmsy|");
  // After a bootstrap the catch's band is drawn where its quantiles are, cut at twice the top.
  for (ForecastRowData& r : data.forecast) r.catch_q05 = 0, r.catch_q95 = 1e9;
  const std::string banded = labels_of(*std::unique_ptr<QChart>(make_chart(data, "forecast")));
  EXPECT_NE(banded.find("|Catch, bootstrap 5\u201395 % (cut at the top)|"), std::string::npos)
      << banded;
  EXPECT_EQ(banded.find("SSB, bootstrap"), std::string::npos) << banded;
  data.forecast.resize(2);
  for (const ChartInfo& c : available_charts(data)) EXPECT_NE(c.name, "forecast");
}

// The reference points stand upright at their F-bar and are not points of the curves; the
// yield's axis takes the weight unit of one fish.
TEST(Charts, PerRecruitDrawsTheCurvesAndEachReferencePointThatExists) {
  PlotData data;
  data.units_weight = "kg";
  // Option, F-bar, yield per recruit, SPR in per cent; no bootstrap.
  const auto row = [](std::string option, double fbar, double ypr, double spr_percent) {
    return PerRecruitRowData{std::move(option), fbar, ypr, spr_percent, {}, {}};
  };
  data.per_recruit = {row("F = 0", 0.0, 0.0, 100.0), row("status quo", 0.3, 1.2, 20.0),
                      row("F x 2", 0.6, 1.0, 5.0), row("F0.1", 0.1, 0.9, 50.0),
                      row("F40%SPR", 0.12, 0.95, 40.0)};
  const std::unique_ptr<QChart> chart(make_chart(data, "per_recruit"));
  EXPECT_EQ(labels_of(*chart),
            "|F-bar|Yield per recruit (kg)|SSB per recruit (% of no fishing)|"
            "Yield per recruit (left)|SSB per recruit, % of no fishing (right)|Status quo F|F0.1|"
            "F40%SPR|");
  const auto* yield = qobject_cast<QLineSeries*>(chart->series()[0]);
  ASSERT_NE(yield, nullptr);
  EXPECT_EQ(yield->count(), 3);
  const auto* f01 = qobject_cast<QLineSeries*>(chart->series()[3]);
  ASSERT_NE(f01, nullptr);
  EXPECT_EQ(f01->at(0), QPointF(0.1, 0));
  EXPECT_EQ(f01->at(1).x(), 0.1);
  // After a bootstrap, a point's range of F-bar over the runs is shaded behind it.
  data.per_recruit[3].fbar_q05 = 0.08;
  data.per_recruit[3].fbar_q95 = 0.13;
  const std::unique_ptr<QChart> banded(make_chart(data, "per_recruit"));
  const auto* range = qobject_cast<QAreaSeries*>(banded->series()[3]);
  ASSERT_NE(range, nullptr);
  EXPECT_EQ(range->name().toStdString(), "F0.1, bootstrap 5\u201395 %");
  EXPECT_EQ(range->lowerSeries()->at(0), QPointF(0.08, 0));
  EXPECT_EQ(range->upperSeries()->at(1).x(), 0.13);
  data.per_recruit.clear();
  for (const ChartInfo& c : available_charts(data)) EXPECT_NE(c.name, "per_recruit");
}

// The equilibrium's curves hold the limit at Fcrash and drop to the empty stock there, not at
// the next step of the curve; Fcrash and Fmax stand upright and are not points of the curves.
TEST(Charts, EquilibriumDropsToTheEmptyStockAtFcrash) {
  PlotData data;
  data.units_weight = "kg";
  data.units_numbers = "thousands";
  const auto row = [](std::string option, double fbar, double ssb, double yield) {
    return EquilibriumRowData{std::move(option), fbar, ssb, yield, {}, {}};
  };
  data.equilibrium = {row("F = 0", 0.0, 9000.0, 0.0),     row("status quo", 0.2, 5000.0, 800.0),
                      row("F x 2", 0.4, 0.0, 0.0),        row("Fcrash", 0.3, 2000.0, 600.0),
                      row("Fmsy (deterministic)", 0.15, 6000.0, 900.0)};
  const std::unique_ptr<QChart> chart(make_chart(data, "equilibrium"));
  EXPECT_EQ(labels_of(*chart),
            "|F-bar|Yield (t)|SSB (t)|Yield (left)|SSB (right)|Status quo F|Fcrash|"
            "Fmsy (deterministic)|");
  const auto* yield = qobject_cast<QLineSeries*>(chart->series()[0]);
  const auto* ssb = qobject_cast<QLineSeries*>(chart->series()[1]);
  ASSERT_TRUE(yield != nullptr && ssb != nullptr);
  ASSERT_EQ(yield->count(), 5);
  EXPECT_EQ(yield->at(2), QPointF(0.3, 600));
  EXPECT_EQ(yield->at(3), QPointF(0.3, 0));
  EXPECT_EQ(yield->at(4), QPointF(0.4, 0));
  EXPECT_EQ(ssb->at(2), QPointF(0.3, 2000));
  const auto* fcrash = qobject_cast<QLineSeries*>(chart->series()[3]);
  ASSERT_NE(fcrash, nullptr);
  EXPECT_EQ(fcrash->at(0), QPointF(0.3, 0));
  // After a bootstrap, Fcrash's range over the runs is shaded behind it.
  data.equilibrium[3].fbar_q05 = 0.25;
  data.equilibrium[3].fbar_q95 = 0.35;
  const std::unique_ptr<QChart> banded(make_chart(data, "equilibrium"));
  const auto* range = qobject_cast<QAreaSeries*>(banded->series()[3]);
  ASSERT_NE(range, nullptr);
  EXPECT_EQ(range->name().toStdString(), "Fcrash, bootstrap 5\u201395 %");
  EXPECT_EQ(range->lowerSeries()->at(0), QPointF(0.25, 0));
  data.equilibrium.clear();
  for (const ChartInfo& c : available_charts(data)) EXPECT_NE(c.name, "equilibrium");
}

// The simulated stocks: the median yield over its 5-95 % band, the share of years below Blim in
// per cent on an axis that stops at 100, the points upright; the precautionary Fmsy, which is
// one of the others, is not drawn again.
TEST(Charts, StochasticEquilibriumYieldBandAndRisk) {
  PlotData data;
  data.units_weight = "kg";
  data.units_numbers = "thousands";
  const auto row = [](std::string option, double fbar, double yield, double risk) {
    return StochasticRowData{std::move(option), fbar, yield / 2, yield, yield * 2, risk};
  };
  data.stochastic_equilibrium = {
      row("F = 0", 0.0, 0.0, 0.0),          row("status quo", 0.2, 800.0, 0.02),
      row("F x 2", 0.4, 300.0, 0.9),        row("Fmsy (stochastic)", 0.2, 800.0, 0.02),
      row("Fp.05", 0.25, 700.0, 0.05),      row("Flim (stochastic)", 0.3, 500.0, 0.5),
      row("Fmsy (precautionary)", 0.2, 800.0, 0.02)};
  const std::unique_ptr<QChart> chart(make_chart(data, "stochastic_equilibrium"));
  EXPECT_EQ(labels_of(*chart),
            "|F-bar|Yield (t)|SSB below Blim (% of years)|Yield, 5–95 % of years|"
            "Median yield (left)|SSB below Blim, % of years (right)|Fmsy (stochastic)|Fp.05|"
            "Flim (stochastic)|");
  const auto* band = qobject_cast<QAreaSeries*>(chart->series()[0]);
  const auto* yield = qobject_cast<QLineSeries*>(chart->series()[1]);
  auto* risk = qobject_cast<QLineSeries*>(chart->series()[2]);
  ASSERT_TRUE(band != nullptr && yield != nullptr && risk != nullptr);
  ASSERT_EQ(yield->count(), 3);
  EXPECT_EQ(yield->at(1), QPointF(0.2, 800));  // thousands of fish times kg: tonnes
  EXPECT_EQ(band->upperSeries()->at(1), QPointF(0.2, 1600));
  EXPECT_EQ(risk->at(2), QPointF(0.4, 90));
  const auto* risk_axis = qobject_cast<QValueAxis*>(risk->attachedAxes().back());
  ASSERT_NE(risk_axis, nullptr);
  EXPECT_EQ(risk_axis->max(), 100);
  data.stochastic_equilibrium.clear();
  for (const ChartInfo& c : available_charts(data)) EXPECT_NE(c.name, "stochastic_equilibrium");
}

// Each year's F at age over its largest; a year without any F above 0 is left out, and the last
// years that have one are taken, in order of year. Tables without F draw no selection chart.
// Each year class's ln catch by year: the cells of 2000 age 1 and 2001 age 2 are the year class
// of 1999; a catch of 0 has no logarithm, a year class with one cell left is no curve, and the
// oldest age (3) is left out. The weights chart comes with the weights.
TEST(Charts, CatchCurvesFollowEachYearClassBelowTheOldestAge) {
  PlotData data;
  const auto cell = [&data](int year, int age, double catch_numbers) {
    data.stock.push_back({year, age, {}, {}, catch_numbers, 1.5});
  };
  cell(2001, 2, std::exp(2.0));
  cell(2000, 1, std::exp(3.0));
  cell(2000, 2, std::exp(1.0));
  cell(2001, 1, 0);
  cell(2002, 2, std::exp(4.0));
  cell(2002, 3, std::exp(5.0));
  cell(2001, 3, 7);
  using Curve = std::vector<std::pair<int, double>>;
  const auto curves = catch_curves(data);
  ASSERT_EQ(curves.size(), 1u);
  ASSERT_EQ(curves.count(1999), 1u);
  EXPECT_EQ(curves.at(1999), (Curve{{2000, 3.0}, {2001, 2.0}}));

  std::vector<std::string> names;
  for (const ChartInfo& c : available_charts(data)) names.push_back(c.name);
  EXPECT_EQ(names, (std::vector<std::string>{"weights_at_age", "catch_curves"}));
  const std::string labels =
      labels_of(*std::unique_ptr<QChart>(make_chart(data, "weights_at_age")));
  EXPECT_EQ(labels, "|Year|Weight|Age 1|Age 2|Age 3|");
}

// Indices within a factor of 30 are drawn on plain axes from 0, wider ones on logarithmic axes,
// whose labels stand at the powers of ten alone.
TEST(Charts, IndexAxesAreLogarithmicOnlyAcrossOrdersOfMagnitude) {
  PlotData data;
  for (int age = 1; age <= 3; ++age) {
    SurveyRow s;
    s.kind = SurveyRow::Kind::Fleet;
    s.number = 1;
    s.year = 2000;
    s.age = age;
    s.observed = 10.0 * age;
    s.fitted = 12.0 * age;
    s.log_residual = std::log(1.2);
    data.surveys.push_back(s);
  }
  const auto x_axis = [&data] {
    const std::unique_ptr<QChart> chart(make_chart(data, "fleet1_fit"));
    return chart->axes(Qt::Horizontal).front()->type();
  };
  EXPECT_EQ(x_axis(), QAbstractAxis::AxisTypeValue);
  data.surveys.back().observed = 5000;
  EXPECT_EQ(x_axis(), QAbstractAxis::AxisTypeLogValue);
}

// SSB and F-bar over MSY Btrigger and Fmsy when both are stated, else over Bpa and Fpa; a year
// without F-bar takes its mean F (tables written before F-bar); a year without SSB is left out.
TEST(Charts, StatusSetsSsbAndFbarAgainstAPairOfReferencePoints) {
  PlotData data;
  data.summary.resize(4);
  for (int i = 0; i < 4; ++i) {
    data.summary[i].year = 2000 + i;
    data.summary[i].ssb = 100.0 * (i + 1);
    data.summary[i].fbar = 0.1 * (i + 1);
  }
  data.summary[2].fbar.reset();
  data.summary[2].mean_f = 0.6;
  data.summary[3].ssb.reset();
  EXPECT_FALSE(stock_status(data));

  data.reference.bpa = 200;
  data.reference.fpa = 0.4;
  data.reference.fmsy = 0.2;  // without MSY Btrigger the precautionary pair serves
  std::optional<StatusPath> status = stock_status(data);
  ASSERT_TRUE(status);
  EXPECT_EQ(status->b_name, "Bpa");
  EXPECT_EQ(status->f_name, "Fpa");
  ASSERT_EQ(status->years.size(), 3u);
  EXPECT_DOUBLE_EQ(status->years[0].b, .5);
  EXPECT_DOUBLE_EQ(status->years[0].f, .25);
  EXPECT_DOUBLE_EQ(status->years[2].f, 1.5);

  EXPECT_FALSE(status->last_b_band);  // no bootstrap

  // After a bootstrap the last year's 5-95 % range, over the same points.
  data.summary[2].ssb_q05 = 200;
  data.summary[2].ssb_q95 = 600;
  data.summary[2].fbar_q05 = 0.4;
  data.summary[2].fbar_q95 = 0.8;
  data.reference.msy_btrigger = 400;
  status = stock_status(data);
  ASSERT_TRUE(status);
  EXPECT_EQ(status->last_b_band, (std::pair{0.5, 1.5}));
  EXPECT_EQ(status->last_f_band, (std::pair{2.0, 4.0}));
  EXPECT_EQ(status->b_name, "MSY Btrigger");
  EXPECT_DOUBLE_EQ(status->years[1].b, .5);
  EXPECT_DOUBLE_EQ(status->years[1].f, 1);
  const std::unique_ptr<QChart> chart(make_chart(data, "status"));
  EXPECT_EQ(chart->title().toStdString(), "Stock status against MSY Btrigger and Fmsy");
  const std::string labels = labels_of(*chart);
  EXPECT_NE(labels.find("|SSB / MSY Btrigger|F-bar / Fmsy|"), std::string::npos) << labels;
  // The first and last years, the whiskers of the last (unnamed) between them.
  EXPECT_NE(labels.find("|2000|||2002 (bootstrap 5-95 %)|"), std::string::npos) << labels;

  data.reference.fmsy = 0;
  EXPECT_FALSE(stock_status(data));
}

TEST(Charts, SelectionPatternScalesEachYearToItsLargestF) {
  PlotData data;
  const std::map<int, std::vector<double>> f = {
      {2000, {0.1, 0.2, 0.4}}, {2001, {0, 0, 0}}, {2002, {0.3, 0.6, 0.6}}, {2003, {0.2, 0.4, 0.8}}};
  for (const auto& [year, by_age] : f) {
    for (int age = 1; age <= 3; ++age) data.stock.push_back({year, age, {}, by_age[age - 1], {}, {}});
  }
  using Pattern = std::vector<std::pair<int, double>>;
  const std::vector<SelectionYear> last_two = selection_patterns(data, 2);
  ASSERT_EQ(last_two.size(), 2u);
  EXPECT_EQ(last_two[0].year, 2002);
  EXPECT_EQ(last_two[0].relative_f, (Pattern{{1, 0.5}, {2, 1.0}, {3, 1.0}}));
  EXPECT_EQ(last_two[1].year, 2003);
  EXPECT_EQ(last_two[1].relative_f, (Pattern{{1, 0.25}, {2, 0.5}, {3, 1.0}}));
  const std::vector<SelectionYear> all = selection_patterns(data, 5);
  ASSERT_EQ(all.size(), 3u);
  EXPECT_EQ(all[0].year, 2000);
  const std::string labels = labels_of(*std::unique_ptr<QChart>(make_chart(data, "selection")));
  EXPECT_EQ(labels, "|Age|F at age / largest F at age of the year|2000|2002|2003|");

  for (const ChartInfo& c : available_charts(read_plot_data(kSmallRun.string()))) {
    EXPECT_NE(c.name, "selection");
  }
}

// Each year class's index at one age against its index at the next age a year later. Fleet 1:
// ages 1-2 follow each other exactly (the index halves), r = 1; ages 2-3 are the powers of 2
// (3, -1, 0) against (0, 2, 1), r = -4 / sqrt(78/9 * 2) = -12 / sqrt(156); an index of 0, another
// fleet and an SSB survey make no point.
TEST(Charts, InternalConsistencyPairsEachYearClassWithItsNextAge) {
  PlotData data;
  const auto fleet = [&data](int number, int year, int age, double index) {
    SurveyRow row;
    row.kind = SurveyRow::Kind::Fleet;
    row.number = number;
    row.year = year;
    row.age = age;
    row.observed = index;
    data.surveys.push_back(row);
  };
  for (const auto& [year, age, index] : std::vector<std::tuple<int, int, double>>{
           {2000, 1, 1},  {2001, 1, 2}, {2002, 1, 4}, {2000, 2, 8}, {2001, 2, 0.5}, {2002, 2, 1},
           {2003, 2, 2},  {2001, 3, 1}, {2002, 3, 4}, {2003, 3, 2}, {2004, 4, 0}, {2003, 1, 64}}) {
    fleet(1, year, age, index);
  }
  fleet(2, 2001, 2, 1000);
  SurveyRow ssb;
  ssb.number = 1;
  ssb.year = 2001;
  ssb.observed = 5;
  data.surveys.push_back(ssb);

  const std::vector<ConsistencyPair> pairs = fleet_consistency(data, 1);
  ASSERT_EQ(pairs.size(), 2u);
  EXPECT_EQ(pairs[0].age, 1);
  EXPECT_EQ(pairs[0].points,
            (std::vector<std::pair<double, double>>{{1, 0.5}, {2, 1}, {4, 2}}));
  ASSERT_TRUE(pairs[0].r);
  EXPECT_NEAR(*pairs[0].r, 1, 1e-12);
  EXPECT_EQ(pairs[1].age, 2);
  EXPECT_EQ(pairs[1].points.size(), 3u);
  ASSERT_TRUE(pairs[1].r);
  EXPECT_NEAR(*pairs[1].r, -12 / std::sqrt(156.0), 1e-12);
  // Fleet 2 has one index: no pair, no chart.
  EXPECT_TRUE(fleet_consistency(data, 2).empty());

  std::vector<std::string> names;
  for (const ChartInfo& c : available_charts(data)) names.push_back(c.name);
  EXPECT_NE(std::find(names.begin(), names.end(), "fleet1_consistency"), names.end());
  EXPECT_EQ(std::find(names.begin(), names.end(), "fleet2_consistency"), names.end());
  const std::string labels =
      labels_of(*std::unique_ptr<QChart>(make_chart(data, "fleet1_consistency")));
  EXPECT_NE(labels.find("|Ages 1-2: r = 1|Ages 2-3: r = -0.96|"), std::string::npos) << labels;
}

// Fleet names from the tables, F-bar with its ages and band, the stated units and reference
// points reach the charts; thousands of fish times kg are tonnes.
TEST(Charts, FleetNamesFbarAndUnitsReachTheCharts) {
  const PlotData data = read_plot_data(kLabelledRun.string());
  EXPECT_EQ(biomass_unit(data), "t");
  std::vector<std::string> titles;
  for (const ChartInfo& c : available_charts(data)) titles.push_back(c.title);
  EXPECT_NE(std::find(titles.begin(), titles.end(), "IBTS_Q1_gam log residuals"), titles.end());

  const std::string ssb = labels_of(*std::unique_ptr<QChart>(make_chart(data, "ssb")));
  EXPECT_NE(ssb.find("|SSB (t)|"), std::string::npos) << ssb;
  EXPECT_NE(ssb.find("|Bootstrap 5\u201395 % (cut at the top)|"), std::string::npos) << ssb;
  const std::string f = labels_of(*std::unique_ptr<QChart>(make_chart(data, "f")));
  EXPECT_NE(f.find("|F-bar, ages 2-4 (right)|"), std::string::npos) << f;
  EXPECT_NE(f.find("|F-bar bootstrap 5\u201395 % (right)|"), std::string::npos) << f;
  // The reference points the run stated, and only those.
  EXPECT_NE(ssb.find("|Blim|"), std::string::npos) << ssb;
  EXPECT_EQ(ssb.find("Bpa"), std::string::npos) << ssb;
  EXPECT_NE(ssb.find("|MSY Btrigger|"), std::string::npos) << ssb;
  EXPECT_NE(f.find("|Fpa (right)|"), std::string::npos) << f;
  EXPECT_EQ(f.find("Flim"), std::string::npos) << f;
  EXPECT_EQ(f.find("Fmsy"), std::string::npos) << f;
}

TEST(Charts, ResidualBubblesAreSplitBySignWithAreaProportionalToTheResidual) {
  const PlotData data = read_plot_data(kSmallRun.string());
  const std::unique_ptr<QChart> chart(make_chart(data, "catch_residuals"));
  chart->resize(1200, 800);
  chart->layout()->activate();
  const auto scatter = [&chart](int i) {
    return qobject_cast<QScatterSeries*>(chart->series()[i]);
  };
  ASSERT_EQ(chart->series().size(), 2);
  const QScatterSeries* positive = scatter(0);
  const QScatterSeries* negative = scatter(1);
  // The empty residual of 2001 age 1 is not drawn: one positive bubble, two negative ones.
  ASSERT_EQ(positive->count(), 1);
  ASSERT_EQ(negative->count(), 2);
  EXPECT_EQ(positive->at(0), QPointF(2000, 1));
  const auto size = [](const QScatterSeries* s, int i) {
    return s->pointConfiguration(i).value(QXYSeries::PointConfiguration::Size).toDouble();
  };
  // |r| 0.8, 0.2 and 0.4: diameters in the ratio 1 : 1/2 : 1/sqrt(2) = 0.70710678.
  ASSERT_GT(size(positive, 0), 10);
  EXPECT_NEAR(size(negative, 0) / size(positive, 0), 0.5, 1e-9);
  EXPECT_NEAR(size(negative, 1) / size(positive, 0), 0.70710678, 1e-8);
}

TEST(Charts, SavingAChartShownInAWindowLeavesTheWindowAsItWas) {
  const quorvane::testing::ScratchDir work;
  const PlotData data = read_plot_data(kSmallRun.string());
  QChartView view;
  view.setChart(make_chart(data, "ssb"));
  view.resize(600, 400);
  view.show();
  const QSizeF shown = view.chart()->size();

  const std::string png = (work / "ssb.png").string();
  save_chart(view.chart(), png, ImageFormat::Png, QSize(900, 500));
  EXPECT_TRUE(testing::is_drawn(png, 900, 500));
  EXPECT_EQ(view.chart()->size(), shown);
  EXPECT_EQ(view.chart()->scene(), view.scene());

  const std::string nowhere = (work / "no_such_folder" / "ssb.svg").string();
  try {
    save_chart(view.chart(), nowhere, ImageFormat::Svg);
    ADD_FAILURE() << "no error";
  } catch (const InputError& e) {
    EXPECT_EQ(std::string(e.what()), nowhere + ": the chart cannot be written there");
  }
}

}  // namespace
}  // namespace quorvane::plot

// The charts need a QApplication; without a display they are drawn offscreen.
int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
