// The runs test of a survey's residuals: whether its log residuals, in the order of the years,
// change sign as often as residuals without a pattern would, and which of them lie beyond three
// standard deviations.
//
// The series: an SSB survey's log residual by year; an aged fleet's mean log residual over the
// ages it has in each year.
//
// Runs: with n+ residuals above 0 and n- below (a residual of exactly 0 is left out), R is the
// number of stretches of one sign. Residuals that stay on one side for years (a trend in the
// survey's catchability that the model does not follow, or a stock the model gets wrong for a
// period) give too few runs. The one-sided p-value P(R <= r) is exact: of the C(n, n+) orders of
// the signs, equally likely for residuals without a pattern,
//   2 C(n+ - 1, k - 1) C(n- - 1, k - 1)                                  have R = 2k,
//   C(n+ - 1, k) C(n- - 1, k - 1) + C(n+ - 1, k - 1) C(n- - 1, k)        have R = 2k + 1.
// The series passes at p >= 0.05. A series of one sign has no test.
//
// Limits: the standard deviation from the moving ranges |r(t) - r(t-1)| of residuals next to each
// other, robust to a few large jumps: the ranges above 3.267 times their mean are left out, and
// sigma = (mean of the rest) / 1.128; the limits are 0 +- 3 sigma.
#pragma once

#include <cstddef>
#include <optional>
#include <vector>

#include "plot/charts.h"

namespace quorvane::plot {

// A survey with residuals in fewer years gets no runs test: five signs can hardly show a pattern
// (with four years of one sign and one of the other, the fewest runs have p = 0.4).
inline constexpr std::size_t kLeastRunsTestYears = 5;

struct ResidualPoint {
  int year = 0;
  double residual = 0;
};

struct RunsTest {
  std::vector<ResidualPoint> points;  // by year
  int positive = 0, negative = 0, runs = 0;
  std::optional<double> p_value;  // none for a series of one sign
  std::optional<double> sigma;    // none with fewer than two residuals
  bool passed() const { return p_value && *p_value >= kRunsTestLevel; }
  // The residuals beyond 3 sigma.
  int outside() const;

  static constexpr double kRunsTestLevel = 0.05;
};

// P(R <= runs) for n+ = positive and n- = negative signs in random order; none when either is 0.
std::optional<double> runs_p_value(int positive, int negative, int runs);

// The test of a residual series (any order; it is sorted by year).
RunsTest runs_test(std::vector<ResidualPoint> points);

// The residual series of SSB survey or aged fleet `number` from the tables' survey rows.
std::vector<ResidualPoint> survey_residuals(const std::vector<SurveyRow>& surveys,
                                            SurveyRow::Kind kind, int number);

}  // namespace quorvane::plot
