// Hindcast: how well the fits of a retrospective predict the survey indices of the year after
// their data end, set against the naive prediction that next year's index is this year's.
//
// For a peel whose data end in year T, the stock at the start of T + 1 is the peel's survivors,
//   N(a + 1, T + 1) = N(a, T) exp(-M(a, T) - F(a, T))       (a plus group keeps its own),
// and year T + 1 is fished with the catch that was in fact taken then, which the full run knows:
//   PHY(a, T + 1) = C(a, T + 1) exp(M(a, T + 1) part) / N(a, T + 1),   Z = M - ln(1 - PHY).
// A fleet's index at age a is then catchability(a) times the part of N exp(-t Z) that the fleet
// measures (the peel's catchability, the fleet's time t in the year); an SSB survey's index is
// the SSB at survey time over the peel's coefficient. The youngest age of T + 1 was not born
// when the peel's data end: no fleet index at that age is predicted, and the SSB takes for it
// the geometric mean of the peel's recruitment (it counts only where that age is mature). Fleets
// compared by proportions at age are not predicted, nor is a cell whose catch the projected
// stock cannot carry (PHY of 1 or more).
//
// The skill of a series is its mean absolute scaled error over all its predictions, on the scale
// of the logarithms that the fit compares:
//   MASE = sum |ln predicted - ln observed| / sum |ln naive - ln observed|,
// the naive prediction being the same series' index (same age) of year T. Below 1 the fits
// foresee the survey better than last year's index does; above 1, worse.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <vector>

#include "report/results_record.h"

namespace quorvane {

// One age at the start of the year after a fit's data: its numbers and the total mortality that
// the next year's catch implies; none where they cannot be known.
struct AgeAhead {
  double age = 0;
  std::optional<double> n;
  std::optional<double> z;
  const StockCell* next = nullptr;  // the full run's cell of that age and year
};

// The fit's last year (`last`, youngest age first) carried one year on into the full run's cells
// of the next year (`next`, the same ages), `recruitment` at the youngest age. Empty when the two
// years hold different ages.
std::vector<AgeAhead> stock_ahead(std::span<const StockCell* const> last,
                                  std::span<const StockCell* const> next, double part,
                                  bool plus_group, std::optional<double> recruitment);

// One prediction of an index by the fit of peel `peel`, for `year`.
struct HindcastPoint {
  SurveyPoint::Kind kind = SurveyPoint::Kind::Fleet;
  int number = 0;
  int peel = 0;
  double year = 0;
  std::optional<double> age;  // fleets only
  double observed = 0;
  double predicted = 0;
  double naive = 0;  // the observed index of the year before
};

// The predictions that the fit `fit` (of peel `peel`) makes for the year after its last one, for
// every survey index of that year in the full run `full` that can be predicted.
std::vector<HindcastPoint> hindcast_points(const ResultsRecord& full, const ResultsRecord& fit,
                                           int peel);

// The MASE of a set of predictions; none without a prediction or when the naive one is exact.
std::optional<double> mase(std::span<const HindcastPoint> points);

// The skill of one series (every age of it, `age` empty) or of one age of a fleet.
struct HindcastScore {
  SurveyPoint::Kind kind = SurveyPoint::Kind::Fleet;
  int number = 0;
  std::optional<double> age;
  std::optional<double> mase;
  int predictions = 0;
};

// Per series, SSB surveys first, then fleets: the whole series, followed for a fleet by its ages.
std::vector<HindcastScore> hindcast_scores(std::span<const HindcastPoint> points);

// "Hindcast MASE (below 1 foresees the survey better than its last year): SSB survey 1 0.84 from
// 3 predictions, fleet 1 (IBTS_Q1) 0.623 from 12 predictions"; a series whose MASE cannot be
// computed reads "none". Empty when there is no score.
std::string hindcast_line(std::span<const HindcastScore> scores, const ResultsRecord& full);

// Writes hindcast.csv (kind, number, name, peel, year, age, observed, predicted, naive) and
// hindcast_mase.csv (kind, number, name, age, mase, predictions) into `folder`. InputError when a
// file cannot be written.
void write_hindcast_tables(const std::string& folder, std::span<const HindcastPoint> points,
                           std::span<const HindcastScore> scores, const ResultsRecord& full);

}  // namespace quorvane
