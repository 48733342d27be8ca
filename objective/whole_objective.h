// CALCSTOCKALL: the whole objective for one value of the searched parameter, and normaliz.
//
// Applies METKA/PARAM, fits f(y), s1(a), s2(a), s(a,y) (and gfactor) by the fixed-point iteration
// around CALCSTOCK, refines them by the direct search for Method 4, composes
//   SSEALL = weca SSEL + sum_k wssb(k) errssb(k) + sum_k wind(k) errind(k)
// and appends one line to "minim.out".
//
// Symbols and their units: docs/glossary.md.
#pragma once

#include <cstdint>

#include "base/host.h"
#include "base/print.h"
#include "state/run_state.h"

namespace quorvane {

void CALCSTOCKALL(RunState& s, Host& host);

// s1(a) and s2(a) divided by their sums over agemin..agemax (both sums formed first).
void normaliz(RunState& s);

// The stopping test of the fixed-point loop: true when another pass follows. With n4 = 1 the loss
// must have fallen by more than 1E-6 below one of the two previous losses; otherwise it must
// still differ from one of them in the fifth decimal (the difference times 100000 rounded to a
// 32-bit integer, ties to even; a difference that does not fit raises ArithmeticFault). Always
// true on the first pass (iter = 1).
bool fixed_point_continues(std::int16_t n4, int iter, double SSET, double SSETP, double SSETPP);

// One line of the search log for the current f(yearmax), MC, LALFA and losses, with the SSB of
// the last year given: each value rounded to its pattern, 0 written as 0, a negative value
// leaving its column empty.
void write_search_log_line(const RunState& s, double ssb_last, PrintTarget& out);

}  // namespace quorvane
