// CALCSTOCK: the separable cohort model for one set of factors.
//
// Reads C(a,y), M(a,y) (or MC, LALFA with amp), f(y), s1(a), s2(a), s(a,y), the settings n1, n21,
// n22, n3, n5, mix, part, gfactoron, yearmid, scron, and for the direct search metka1, PARAM1.
// Writes N(a,y), resid(a,y), resid2(a,y), SSET, agemaxa (and for Method 4 SSEL1, PARAM1), and
// modifies f(yearmax-1), s1, s2, s(a,y), M(a,y) in place as the steps say.
//
// Exploitation rate p = f(y) s(a,y), catch taken at the fraction `part` of the year:
//   Nc = N(a+1,y+1) e^M + C e^(M part)          (catch-controlled)
//   Ne = N(a+1,y+1) e^M / (1 - p)               (effort-controlled)
//   resid = ln C - ln(p N e^(-M part))
//
// The computation stops with an ArithmeticFault naming CALCSTOCK and the cell (age and year
// labels) where p = 0 in the point equation, where p = 1 in a cell with catch outside Mode 1,
// where both Mode 4 solutions reproduce the catch exactly (no weight is defined), and where a
// predicted catch is not positive. An exploitation rate above 1 is not a fault: it gives a
// negative effort-controlled stock, which becomes 10. Nothing is allocated.
//
// Symbols and their units: docs/glossary.md.
#pragma once

#include "base/host.h"
#include "state/run_state.h"

namespace quorvane {

void CALCSTOCK(RunState& s, Host& host);

}  // namespace quorvane
