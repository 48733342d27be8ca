// mediana: the robust catch loss (MDN or AMD) from the central order statistics of the sample.
//
// Sample: cells a = agemin..agemax-1, y = yearmin..yearmax-1 (year outer, age inner) whose
// |resid(a,y)| >= 1E-10. Central mean of c = centralel values: for an even sample size k the
// values at sorted positions k/2 - c/2 + 1 .. k/2 + c/2; for an odd k, with m = (k+1)/2, the
// positions m - c/2 .. m + c/2 without m.
//   MDN = 100 * central mean of resid^2
//   AMD = 100 * central mean of |resid - central mean of resid|
#pragma once

#include "state/run_state.h"

namespace quorvane {

// The central mean of values[1..kmax] (position 0 unused), which this call reorders. A sample
// smaller than the central window raises ArithmeticFault naming `procedure`, the sample size and
// the window.
double central_mean(double* values, int kmax, int centralel, const char* procedure);

void mediana(RunState& s);

}  // namespace quorvane
