// calcSSESSB: loss of the SSB surveys and their coefficients kssb(k).
//
//   SSBsurv(y) = sum_a mat W N exp(-parysp Z),  Z = M - ln|1 - PHY|
//   ln kssb(k) = mean over observed years of (ln SSBsurv - ln ssbind)   (relative surveys)
//   errssb(k)  = sum over observed years of (ln SSBsurv - ln ssbind - ln kssb)^2
//
// Symbols and their units: docs/glossary.md.
#pragma once

#include "base/host.h"
#include "state/run_state.h"

namespace quorvane {

void calcSSESSB(RunState& s, Host& host);

}  // namespace quorvane
