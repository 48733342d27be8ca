#include "model/central_mean.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <string>
#include <utility>

#include "state/errors.h"

namespace quorvane {
namespace {

// A residual smaller than this is a cell that reproduces its catch exactly (no catch, the point
// equation): it carries no information about the fit and stays out of the sample.
constexpr double kZeroResidual = 1E-10;

// Puts the values of sorted positions lo..hi of values[1..kmax] in their places, in ascending
// order, as a full ascending sort would. Only the central window is summed, so selecting it is
// enough: the window holds the same values in the same order, and its sum the same bits.
// Position lo is selected in linear time; the few positions above it (the window is a handful
// of values in a sample of hundreds) are each the smallest of what is left above the last one.
void select_window(double* values, int kmax, int lo, int hi) {
  double* first = values + 1;
  double* last = values + 1 + kmax;
  std::nth_element(first, first + (lo - 1), last);
  for (double* place = first + lo; place < first + hi; ++place) {
    double* smallest = place;
    for (double* v = place + 1; v < last; ++v) {
      if (*v < *smallest) smallest = v;
    }
    std::swap(*place, *smallest);
  }
}

}  // namespace

double central_mean(double* values, int kmax, int centralel, const char* procedure) {
  const int c = centralel;
  assert(c % 2 == 0);  // the settings admit only an even window
  if (c <= 0) throw_fault(procedure, "the central window of " + std::to_string(c) + " is empty");
  // With c even, an odd sample of at least c values has c + 1, enough for the odd window too.
  if (kmax < c) {
    throw_fault(procedure, "the sample of " + std::to_string(kmax) +
                               " residuals is smaller than the central window of " +
                               std::to_string(c));
  }
  const bool odd = kmax % 2 != 0;
  const int middle = (kmax + 1) / 2;
  // Odd: the c values around the middle one, which is summed with them and taken off at the end.
  // Even: the c central values.
  const int lo = odd ? middle - c / 2 : kmax / 2 - c / 2 + 1;
  const int hi = odd ? middle + c / 2 : kmax / 2 + c / 2;
  select_window(values, kmax, lo, hi);

  double sum = 0.0;
  for (int k = lo; k <= hi; ++k) sum += values[k];
  if (odd) sum -= values[middle];
  return sum / c;
}

void mediana(RunState& s) {
  const bool amd = s.n22 == static_cast<std::int16_t>(Loss::AMD);
  const int last_age = s.agemax - 1;
  const int last_year = s.yearmax - 1;
  s.popa = 0;
  for (;;) {
    if (amd) {
      // First pass: the signed residuals; second pass: their absolute deviations from the first
      // pass's central mean.
      const double centre = s.SSET;
      for (int y = s.yearmin; y <= last_year; ++y) {
        for (int a = s.agemin; a <= last_age; ++a) {
          s.resid2(a, y) = s.popa == 0 ? s.resid(a, y) : std::fabs(s.resid(a, y) - centre);
        }
      }
    }
    // The sample: every cell goes into the next free slot, which is kept only when the cell's
    // residual is not zero. The test looks at resid in both passes, so both use the same cells.
    int k = 1;
    for (int y = s.yearmin; y <= last_year; ++y) {
      for (int a = s.agemin; a <= last_age; ++a) {
        assert(k < static_cast<int>(s.sortbuf.size()));
        s.sortbuf[k] = s.resid2(a, y);
        if (std::fabs(s.resid(a, y)) >= kZeroResidual) ++k;
      }
    }
    const int kmax = k - 1;
    s.kmax = static_cast<std::int16_t>(kmax);
    s.SSET = central_mean(s.sortbuf.data(), kmax, s.centralel, "mediana");
    // What a full exchange sort leaves as its working value: the largest value of the sample.
    s.smallestSE = *std::max_element(s.sortbuf.begin() + 1, s.sortbuf.begin() + 1 + kmax);
    ++s.popa;
    if (!(amd && s.popa == 1)) break;
  }
  s.SSET = s.SSET * 100.0;
}

}  // namespace quorvane
