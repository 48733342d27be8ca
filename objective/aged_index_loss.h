// calcSSEindex: loss of the aged survey fleets and their catchabilities q(a,k).
//
//   sv = exp(-indtime(k) Z),  Z = M - ln|1 - PHY|
//   resid = ln(part of N measured * sv) - ln I,  ln q(a,k) = mean over years of resid,
//   corrected resid = resid - ln q; loss by SSE, MDN or AMD (medianaind).
// After each fleet the catch residuals are put back into resid and resid2.
//
// Symbols and their units: docs/glossary.md.
#pragma once

#include "base/host.h"
#include "state/run_state.h"

namespace quorvane {

void calcSSEindex(RunState& s, Host& host);
// ind(a,y) of the fleet in hand to proportions at age within each year.
void inddetrend(RunState& s);
// Residuals of fleet curind to the model's proportion scale; records sumabund(y, curind).
void sumyearabund(RunState& s);
// Central-values estimator (MDN / AMD) for fleet curind; result in SSET.
void medianaind(RunState& s);

}  // namespace quorvane
