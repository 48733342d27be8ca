#include "report/stock_recruit.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace quorvane {

std::optional<SegmentedFit> segmented_regression(const std::vector<YearClass>& classes) {
  // (ln SSB, ln recruits) in order of SSB.
  std::vector<std::pair<double, double>> points;
  for (const YearClass& c : classes) {
    if (c.ssb > 0 && c.recruits > 0) points.emplace_back(std::log(c.ssb), std::log(c.recruits));
  }
  const auto n = static_cast<int>(points.size());
  if (n < kLeastYearClasses) return std::nullopt;
  std::sort(points.begin(), points.end());
  if (points.front().first == points.back().first) return std::nullopt;

  // With the breakpoint at ln b, ln R = c + min(ln S, ln b); the best c is the mean of
  // ln R - min(ln S, ln b), and what is left of the squares is the fit's cost.
  struct Candidate {
    double log_b = 0, c = 0, cost = 0;
  };
  const auto fit_at = [&points](double log_b) {
    Candidate k{log_b, 0, 0};
    for (const auto& [x, y] : points) k.c += y - std::min(x, log_b);
    k.c /= static_cast<double>(points.size());
    for (const auto& [x, y] : points) {
      const double e = y - k.c - std::min(x, log_b);
      k.cost += e * e;
    }
    return k;
  };
  // The ends of the SSB range: no stock effect seen, or no plateau.
  Candidate best = fit_at(points.front().first);
  const auto consider = [&best](const Candidate& k) {
    if (k.cost < best.cost) best = k;
  };
  consider(fit_at(points.back().first));
  // Between the k-th and (k+1)-th SSB the first k year classes lie on the slope and the others on
  // the plateau: the slope's level is the mean of ln R - ln S over the first, the plateau's the
  // mean of ln R over the others, and the breakpoint where the two meet, kept in the stretch.
  for (int k = 1; k < n; ++k) {
    double on_slope = 0, on_plateau = 0;
    for (int i = 0; i < n; ++i) {
      const auto& [x, y] = points[static_cast<std::size_t>(i)];
      if (i < k)
        on_slope += y - x;
      else
        on_plateau += y;
    }
    const double meet = on_plateau / (n - k) - on_slope / k;
    const double low = points[static_cast<std::size_t>(k - 1)].first;
    const double high = points[static_cast<std::size_t>(k)].first;
    consider(fit_at(std::clamp(meet, low, high)));
  }
  SegmentedFit fit;
  fit.breakpoint = std::exp(best.log_b);
  fit.slope = std::exp(best.c);
  fit.plateau = fit.slope * fit.breakpoint;
  fit.year_classes = n;
  // The breakpoint of a stretch's closed form can miss an end of the SSB range by the rounding
  // of the logarithms; within that, it is at the end.
  const auto at = [](double log_b, double end) {
    return std::abs(log_b - end) <= 1e-12 * std::max(1.0, std::abs(end));
  };
  fit.at_lowest = best.log_b <= points.front().first || at(best.log_b, points.front().first);
  fit.at_highest = best.log_b >= points.back().first || at(best.log_b, points.back().first);
  return fit;
}

std::vector<YearClass> year_classes_of(int first_year, int first_age, std::span<const double> ssb,
                                       std::span<const double> recruitment) {
  std::vector<YearClass> classes;
  // The recruits of the year class spawned in year i stand `first_age` years further on.
  const auto age = static_cast<std::size_t>(first_age);
  for (std::size_t i = 0; i + age < std::min(ssb.size(), recruitment.size()); ++i) {
    classes.push_back({first_year + static_cast<int>(i), ssb[i], recruitment[i + age]});
  }
  return classes;
}

std::vector<YearClass> year_classes_of(const ResultsRecord& record) {
  if (record.cells.empty() || record.years.empty()) return {};
  std::vector<double> ssb, recruitment;
  for (const SummaryYear& y : record.years) {
    ssb.push_back(y.ssb);
    recruitment.push_back(y.recruitment);
  }
  return year_classes_of(static_cast<int>(record.years.front().year),
                         static_cast<int>(record.cells.front().age), ssb, recruitment);
}

}  // namespace quorvane
