// The runs test of a survey's residuals and its chart.
#include "plot/residual_runs.h"

#include <gtest/gtest.h>

#include <QtCharts>
#include <algorithm>
#include <bit>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

namespace quorvane::plot {
namespace {

// The p-value against a count over every order of the signs: n+ = 6 and n- = 5 give 462 orders,
// each written as a bit pattern and its runs counted. Also the small cases by hand: of the six
// orders of ++-- three pairs have 2, 3 and 4 runs; of 252 orders of five of each sign two have
// 2 runs. One sign only has no test.
TEST(RunsPValue, IsTheShareOfOrdersWithNoMoreRuns) {
  EXPECT_DOUBLE_EQ(*runs_p_value(2, 2, 2), 1.0 / 3);
  EXPECT_DOUBLE_EQ(*runs_p_value(2, 2, 3), 2.0 / 3);
  EXPECT_DOUBLE_EQ(*runs_p_value(2, 2, 4), 1.0);
  EXPECT_DOUBLE_EQ(*runs_p_value(5, 5, 2), 2.0 / 252);
  EXPECT_DOUBLE_EQ(*runs_p_value(4, 1, 2), 0.4);
  EXPECT_FALSE(runs_p_value(3, 0, 1));
  EXPECT_FALSE(runs_p_value(0, 0, 0));

  const int positive = 6, negative = 5, n = positive + negative;
  std::vector<int> orders_with(n + 2, 0);  // by their number of runs
  int orders = 0;
  for (unsigned bits = 0; bits < (1u << n); ++bits) {
    if (std::popcount(bits) != positive) continue;
    ++orders;
    int runs = 1;
    for (int i = 1; i < n; ++i) runs += ((bits >> i) & 1u) != ((bits >> (i - 1)) & 1u);
    ++orders_with[static_cast<std::size_t>(runs)];
  }
  int at_most = 0;
  for (int r = 2; r <= n; ++r) {
    at_most += orders_with[static_cast<std::size_t>(r)];
    EXPECT_NEAR(*runs_p_value(positive, negative, r), static_cast<double>(at_most) / orders, 1e-12)
        << r << " runs";
  }
}

// Seven years given out of order: three above 0 then three below, 2 runs, p = 2/20 (a residual of
// exactly 0 counts for no sign); the moving ranges .1 .1 .2 .2 .1 .2 all below 3.267 times their
// mean, so sigma = .15 / 1.128.
TEST(RunsTest, RunsAndTheLimitsOfThreeSigma) {
  const RunsTest t = runs_test({{2004, -.1}, {2001, .1}, {2002, .2}, {2003, .1}, {2006, -.2},
                                {2005, -.3}, {2007, 0}});
  ASSERT_EQ(t.points.size(), 7u);
  EXPECT_EQ(t.points.front().year, 2001);
  EXPECT_EQ(t.positive, 3);
  EXPECT_EQ(t.negative, 3);
  EXPECT_EQ(t.runs, 2);
  EXPECT_DOUBLE_EQ(*t.p_value, 0.1);
  EXPECT_TRUE(t.passed());
  EXPECT_NEAR(*t.sigma, (.1 + .1 + .2 + .2 + .1 + .2) / 6 / 1.128, 1e-12);
  EXPECT_EQ(t.outside(), 0);

  // A jump of 1.9 is more than 3.267 times the mean range (.54): sigma comes from the others,
  // .2 / 1.128, and the residual of 2 lies beyond 3 sigma.
  const RunsTest jump = runs_test({{1, .1}, {2, -.1}, {3, .1}, {4, -.1}, {5, .1}, {6, 2}});
  EXPECT_NEAR(*jump.sigma, .2 / 1.128, 1e-12);
  EXPECT_EQ(jump.outside(), 1);

  // Four above 0 and four below in two blocks: p = 2/70, the test fails.
  const RunsTest trend =
      runs_test({{1, .3}, {2, .2}, {3, .2}, {4, .1}, {5, -.1}, {6, -.2}, {7, -.2}, {8, -.3}});
  EXPECT_DOUBLE_EQ(*trend.p_value, 2.0 / 70);
  EXPECT_FALSE(trend.passed());

  const RunsTest one = runs_test({{1, .5}});
  EXPECT_FALSE(one.sigma);
  EXPECT_FALSE(one.p_value);
  EXPECT_FALSE(one.passed());
}

SurveyRow residual(SurveyRow::Kind kind, int number, int year, std::optional<int> age,
                   std::optional<double> r) {
  SurveyRow s;
  s.kind = kind;
  s.number = number;
  s.year = year;
  s.age = age;
  s.log_residual = r;
  return s;
}

// A fleet's series is its mean residual over the ages of each year; rows without a residual,
// other fleets and the SSB surveys stay out. The chart: a survey with residuals in five years or
// more has one, named for its test; a residual beyond 3 sigma is drawn apart.
TEST(RunsTest, SeriesOfAFleetAndTheChart) {
  using K = SurveyRow::Kind;
  PlotData data;
  data.surveys = {residual(K::Fleet, 1, 2000, 1, .2),  residual(K::Fleet, 1, 2000, 2, .4),
                  residual(K::Fleet, 1, 2001, 1, -.1), residual(K::Fleet, 1, 2001, 2, {}),
                  residual(K::Fleet, 2, 2001, 1, 5),   residual(K::Ssb, 1, 2000, {}, .7)};
  const std::vector<ResidualPoint> fleet = survey_residuals(data.surveys, K::Fleet, 1);
  ASSERT_EQ(fleet.size(), 2u);
  EXPECT_EQ(fleet[0].year, 2000);
  EXPECT_DOUBLE_EQ(fleet[0].residual, .3);
  EXPECT_DOUBLE_EQ(fleet[1].residual, -.1);

  for (int year = 2001; year <= 2006; ++year)
    data.surveys.push_back(residual(K::Ssb, 1, year, {}, year % 2 ? -.1 : .1));
  data.surveys.back().log_residual = 3;
  std::vector<std::string> names;
  for (const ChartInfo& c : available_charts(data)) names.push_back(c.name);
  EXPECT_NE(std::find(names.begin(), names.end(), "ssb_survey1_runs"), names.end());
  EXPECT_EQ(std::find(names.begin(), names.end(), "fleet1_runs"), names.end());  // two years

  const std::unique_ptr<QChart> chart(make_chart(data, "ssb_survey1_runs"));
  const RunsTest t = runs_test(survey_residuals(data.surveys, K::Ssb, 1));
  EXPECT_EQ(chart->title().toStdString(),
            "Runs test: SSB survey 1: passed (p = " +
                QString::number(*t.p_value, 'g', 2).toStdString() + ")");
  const QList<QAbstractSeries*> series = chart->series();
  const auto beyond = std::find_if(series.begin(), series.end(), [](const QAbstractSeries* s) {
    return s->name() == "Beyond 3 sigma";
  });
  ASSERT_NE(beyond, series.end());
  EXPECT_EQ(qobject_cast<const QXYSeries*>(*beyond)->count(), 1);
}

}  // namespace
}  // namespace quorvane::plot
