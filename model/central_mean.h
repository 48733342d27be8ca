// mediana: the robust catch loss (MDN or AMD) from the central order statistics of the sample.
//
// Sample: cells a = agemin..agemax-1, y = yearmin..yearmax-1 (year outer, age inner) whose
// |resid(a,y)| >= 1E-10. Central mean of c = centralel values: for an even sample size k the
// values at sorted positions k/2 - c/2 + 1 .. k/2 + c/2; for an odd k, with m = (k+1)/2, the
// positions m - c/2 .. m + c/2 without m.
//   MDN = 100 * central mean of resid^2
//   AMD = 100 * central mean of |resid - central mean of resid|
//
// Symbols and their units: docs/glossary.md.
#pragma once

#include <cmath>

#include "state/run_state.h"

namespace quorvane {

// Bounds that probably enclose the central window of the next sample: those of the last window
// of the same kind, widened. The cohort computation runs hundreds of times on residuals that
// change little from one time to the next, so the window is usually found among the few values
// between the bounds. A hint decides only how fast the window is found, never what it holds.
struct WindowHint {
  double low = NAN;
  double high = NAN;
};

// The central mean of values[1..kmax] (position 0 unused), which this call may reorder. A sample
// smaller than the central window raises ArithmeticFault naming `procedure`, the sample size and
// the window. With a hint, the values between its bounds are sorted when they hold the whole
// window, and the hint is moved to the window found.
double central_mean(double* values, int kmax, int centralel, const char* procedure,
                    WindowHint* hint = nullptr);

void mediana(RunState& s);

}  // namespace quorvane
