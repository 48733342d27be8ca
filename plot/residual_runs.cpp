#include "plot/residual_runs.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <utility>

namespace quorvane::plot {

namespace {

// The control-chart constants of moving ranges of two: the largest expected range is 3.267
// times the mean range, and the mean range is 1.128 standard deviations.
constexpr double kMovingRangeLimit = 3.267;
constexpr double kMeanRangePerSigma = 1.128;

double choose(int n, int k) {
  if (k < 0 || n < 0 || k > n) return 0;
  double c = 1;
  for (int i = 1; i <= k; ++i) c = c * (n - k + i) / i;
  return c;
}

}  // namespace

int RunsTest::outside() const {
  if (!sigma) return 0;
  return static_cast<int>(
      std::count_if(points.begin(), points.end(),
                    [this](const ResidualPoint& p) { return std::fabs(p.residual) > 3 * *sigma; }));
}

std::optional<double> runs_p_value(int positive, int negative, int runs) {
  if (positive <= 0 || negative <= 0) return std::nullopt;
  const int a = positive, b = negative;
  double ways = 0;
  for (int r = 2; r <= runs; ++r) {
    const int k = r / 2;
    ways += r % 2 == 0
                ? 2 * choose(a - 1, k - 1) * choose(b - 1, k - 1)
                : choose(a - 1, k) * choose(b - 1, k - 1) + choose(a - 1, k - 1) * choose(b - 1, k);
  }
  return std::min(1.0, ways / choose(a + b, a));
}

RunsTest runs_test(std::vector<ResidualPoint> points) {
  std::sort(points.begin(), points.end(),
            [](const ResidualPoint& x, const ResidualPoint& y) { return x.year < y.year; });
  RunsTest t;
  t.points = std::move(points);
  int last_sign = 0;
  for (const ResidualPoint& p : t.points) {
    const int sign = p.residual > 0 ? 1 : p.residual < 0 ? -1 : 0;
    if (sign == 0) continue;
    (sign > 0 ? t.positive : t.negative) += 1;
    if (sign != last_sign) ++t.runs;
    last_sign = sign;
  }
  t.p_value = runs_p_value(t.positive, t.negative, t.runs);

  std::vector<double> ranges;
  for (std::size_t i = 1; i < t.points.size(); ++i)
    ranges.push_back(std::fabs(t.points[i].residual - t.points[i - 1].residual));
  if (ranges.empty()) return t;
  const auto mean = [](const std::vector<double>& v) {
    double sum = 0;
    for (double x : v) sum += x;
    return sum / static_cast<double>(v.size());
  };
  const double limit = kMovingRangeLimit * mean(ranges);
  std::vector<double> kept;
  for (double r : ranges)
    if (r < limit) kept.push_back(r);
  // Ranges all equal to 0 are all kept: a flat series has sigma 0.
  if (kept.empty()) kept = ranges;
  t.sigma = mean(kept) / kMeanRangePerSigma;
  return t;
}

std::vector<ResidualPoint> survey_residuals(const std::vector<SurveyRow>& surveys,
                                            SurveyRow::Kind kind, int number) {
  std::map<int, std::pair<double, int>> by_year;  // sum and count of the residuals of a year
  for (const SurveyRow& s : surveys) {
    if (s.kind != kind || s.number != number || !s.log_residual) continue;
    auto& [sum, count] = by_year[s.year];
    sum += *s.log_residual;
    ++count;
  }
  std::vector<ResidualPoint> points;
  for (const auto& [year, sum_count] : by_year)
    points.push_back({year, sum_count.first / sum_count.second});
  return points;
}

}  // namespace quorvane::plot
