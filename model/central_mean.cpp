#include "model/central_mean.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <string>
#include <utility>

#include "base/errors.h"

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

// At most this many values between the bounds of a hint are sorted; more, and the window is
// selected from the whole sample.
constexpr int kMaxNearWindow = 64;

// The window from the values between the hint's bounds, when they hold it: with `below` values
// under the lower bound, sorted position k of the sample is position k - below of the sorted
// values between the bounds. One pass without branches on the data, then a sort of a handful.
// Returns false, and writes nothing, when the bounds miss the window.
bool window_near_hint(const double* values, int kmax, int lo, int hi, const WindowHint& hint,
                      double* window) {
  const double low = hint.low, high = hint.high;
  if (!(low <= high)) return false;  // no hint yet
  double near[kMaxNearWindow + 1];
  int below = 0, count = 0;
  for (int i = 1; i <= kmax; ++i) {
    const double v = values[i];
    below += v < low;
    near[count] = v;
    count += (v >= low) & (v <= high);
    if (count > kMaxNearWindow - 1) return false;
  }
  if (below >= lo || below + count < hi) return false;
  std::sort(near, near + count);
  for (int k = lo; k <= hi; ++k) window[k - lo] = near[k - below - 1];
  return true;
}

}  // namespace

double central_mean(double* values, int kmax, int centralel, const char* procedure,
                    WindowHint* hint) {
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
  // The window's values in ascending order, position lo first.
  double near[kMaxNearWindow];
  const double* window = near;
  if (hint == nullptr || hi - lo + 1 > kMaxNearWindow ||
      !window_near_hint(values, kmax, lo, hi, *hint, near)) {
    select_window(values, kmax, lo, hi);
    window = values + lo;
  }
  if (hint != nullptr) {
    // Next time look as far again on either side of this window.
    const double width = window[hi - lo] - window[0];
    hint->low = window[0] - width;
    hint->high = window[hi - lo] + width;
  }

  double sum = 0.0;
  for (int k = lo; k <= hi; ++k) sum += window[k - lo];
  if (odd) sum -= window[middle - lo];
  return sum / c;
}

void mediana(RunState& s) {
  // Where the windows of the two passes lay last time, on this thread. They make the next
  // window quicker to find and never change it.
  thread_local WindowHint hints[2];
  const bool amd = holds(s.n22, Loss::AMD);
  const int last_age = s.agemax - 1;
  const int last_year = s.yearmax - 1;
  s.popa = 0;
  for (;;) {
    // AMD's values: the signed residuals in the first pass, their absolute deviations from the
    // first pass's central mean in the second; they replace resid2 in the sample area. MDN
    // keeps the squared residuals. The sample: every cell goes into the next free slot, which is
    // kept only when the cell's residual is not zero. The test looks at resid in both passes, so
    // both use the same cells. One walk over the cells does both, and finds the largest value.
    const double centre = s.SSET;
    const bool deviations = s.popa == 1;
    double largest = -HUGE_VAL;
    int k = 1;
    for (int y = s.yearmin; y <= last_year; ++y) {
      for (int a = s.agemin; a <= last_age; ++a) {
        assert(k < static_cast<int>(s.sortbuf.size()));
        const double r = s.resid(a, y);
        double v = s.resid2(a, y);
        if (amd) {
          v = deviations ? std::fabs(r - centre) : r;
          s.resid2(a, y) = v;
        }
        s.sortbuf[k] = v;
        const bool kept = std::fabs(r) >= kZeroResidual;
        largest = kept ? std::max(largest, v) : largest;
        k += kept;
      }
    }
    const int kmax = k - 1;
    s.kmax = static_cast<std::int16_t>(kmax);
    s.SSET = central_mean(s.sortbuf.data(), kmax, s.centralel, "mediana", &hints[s.popa]);
    // What a full exchange sort leaves as its working value: the largest value of the sample.
    s.smallestSE = largest;
    ++s.popa;
    if (!(amd && s.popa == 1)) break;
  }
  s.SSET = s.SSET * 100.0;
}

}  // namespace quorvane
