// parmin and PARMIN1: the one-dimensional searches (step down, climb, refine by a factor 10).
//
// parmin varies f(yearmax), MC or LALFA (METKA 1000, 2000, 3000) through PARAM, evaluating the
// whole objective that the caller hands in; PARMIN1 varies one s1(a), s2(a) or f(y) (metka1)
// through PARAM1, evaluating the cohort computation that the caller hands in. The evaluator is
// passed as a function so that the model never depends on the objective that calls it.
#pragma once

#include "report/host.h"
#include "state/run_state.h"

namespace quorvane {

using Evaluate = void (*)(RunState&, Host&);

// A climb that has not ended after this many steps stops the run: the loss keeps falling
// without bound, and an endless climb would hang the program.
inline constexpr long kMaxClimbSteps = 1000000;

void parmin(RunState& s, Host& host, Evaluate whole_objective);
void PARMIN1(RunState& s, Host& host, Evaluate cohort_model);

}  // namespace quorvane
