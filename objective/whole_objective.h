// CALCSTOCKALL: the whole objective for one value of the searched parameter, and normaliz.
//
// Applies METKA/PARAM, fits f(y), s1(a), s2(a), s(a,y) (and gfactor) by the fixed-point iteration
// around CALCSTOCK, refines them by the direct search for Method 4, composes
//   SSEALL = weca SSEL + sum_k wssb(k) errssb(k) + sum_k wind(k) errind(k)
// and appends one line to "minim.out".
#pragma once

#include "report/host.h"
#include "state/run_state.h"

namespace quorvane {

void CALCSTOCKALL(RunState& s, Host& host);

// s1(a) and s2(a) divided by their sums over agemin..agemax (both sums formed first).
void normaliz(RunState& s);

}  // namespace quorvane
