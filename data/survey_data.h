// Survey data: ssbread (SSB surveys, perturbed in bootstrap runs), agedindread (the fleet table
// in hand or one maturity value), newindex (perturbed fleet copies aged1.tmp .. aged7.tmp).
//
// Perturbation of a positive value v with deviation sd, u the second of two uniform numbers:
//   v' = exp(ln v + (0.603 sd) ln(u / (1 - u)))
#pragma once

#include "base/host.h"
#include "state/run_state.h"

namespace quorvane {

void ssbread(RunState& s, Host& host);
void agedindread(RunState& s, Host& host);
void newindex(RunState& s, Host& host);

// The maturity lookup: ppa = a, ppy = y, maturread = 1, agedindread, maturread = 0; returns dolpol.
double maturity(RunState& s, Host& host, int a, int y);

// exp(ln v + (0.603 sd) ln(u / (1 - u))), the product taken left to right as written.
double perturbed(double v, double sd, double u);

}  // namespace quorvane
