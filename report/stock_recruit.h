// Stock and recruitment: the year classes of a fit (each spawning stock beside the recruits it
// gave) and the segmented regression (hockey stick) of recruitment on SSB. The plot draws the
// fit on its stock-recruitment chart; the equilibrium analysis (report/equilibrium.h) takes its
// recruitment from it.
#pragma once

#include <optional>
#include <span>
#include <vector>

#include "report/results_record.h"

namespace quorvane {

// One year class: spawned in `year` by a stock of `ssb`, `recruits` at the first analysed age
// that many years later.
struct YearClass {
  int year = 0;
  double ssb = 0;
  double recruits = 0;
};

// The segmented regression (hockey stick) of recruitment on SSB: recruits = slope x SSB below
// the breakpoint, slope x breakpoint above it, fitted by least squares on the logarithms of the
// recruits (errors lognormal, as recruitment varies). The breakpoint is where recruitment stops
// following the spawning stock down; at the lowest SSB of the year classes (`at_lowest`) the data
// show no such point, and at the highest (`at_highest`) no plateau.
struct SegmentedFit {
  double breakpoint = 0;  // SSB
  double slope = 0;       // recruits per unit of SSB below the breakpoint
  double plateau = 0;     // recruits above it: slope x breakpoint
  int year_classes = 0;   // the year classes it was fitted to
  bool at_lowest = false, at_highest = false;
};

// The fit to the year classes with SSB and recruits above 0; none for fewer than
// kLeastYearClasses of them or when their SSB does not vary. Exact: for each stretch between two
// neighbouring SSB values the least-squares breakpoint has a closed form, and the best stretch
// wins.
inline constexpr int kLeastYearClasses = 5;
std::optional<SegmentedFit> segmented_regression(const std::vector<YearClass>& classes);

// The year classes of a fit, oldest first: the SSB of year y at the start of the year beside the
// recruitment (N at the first analysed age) of year y + that age, for every year class whose
// parents and recruits both lie in the analysed years.
std::vector<YearClass> year_classes_of(const ResultsRecord& record);
// The same from SSB and recruitment by year, the first of them `first_year`, with the recruits at
// `first_age` (a bootstrap run's).
std::vector<YearClass> year_classes_of(int first_year, int first_age, std::span<const double> ssb,
                                       std::span<const double> recruitment);

}  // namespace quorvane
