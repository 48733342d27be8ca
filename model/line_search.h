// parmin and PARMIN1: the one-dimensional searches (step down, climb, refine by a factor 10).
//
// parmin varies f(yearmax), MC or LALFA (METKA, state/search_codes.h) through PARAM, evaluating the
// whole objective that the caller hands in; PARMIN1 varies one s1(a), s2(a) or f(y) (metka1)
// through PARAM1, evaluating the cohort computation that the caller hands in. The evaluator is
// passed as a function so that the model never depends on the objective that calls it.
//
// The walk works on the run state itself: the trial value P is PARAM (PARAM1), the step D is
// DELTA (DELTA1), the latest loss L is SSEALL (SSEL1) and the loss before it SSEP (SSEP1). The
// evaluator may change the trial value (the cohort computation renormalises the age factors and
// reads the value back), and the next step starts from what it left.
//   step down while  D > smallest step, P <= upper, P > lower + D + 0.001 and L_prev > L
//   climb while      L_prev > L
//   refine           back one step, D = D / 10, one step down
// parmin's limits are LGRAN and RGRAN, read at every test; PARMIN1's are 0 and 10 for a year
// factor, 0 and 1 for an age factor.
//
// Symbols and their units: docs/glossary.md.
#pragma once

#include "base/host.h"
#include "state/run_state.h"

namespace quorvane {

using Evaluate = void (*)(RunState&, Host&);

// A climb that has not ended after this many steps stops the run: the loss keeps falling
// without bound, and an endless climb would hang the program.
inline constexpr long kMaxClimbSteps = 1000000;

// How a search ended.
enum class LineSearchEnd {
  Refined,      // the step became fine enough
  UserEnd,      // userend = 1: parmin at its start, PARMIN1 before an evaluation
  NoParameter,  // METKA or metka1 names no parameter: nothing was searched
};

struct LineSearchSummary {
  LineSearchEnd end = LineSearchEnd::Refined;
  long evaluations = 0;
};

void parmin(RunState& s, Host& host, Evaluate whole_objective);
void PARMIN1(RunState& s, Host& host, Evaluate cohort_model);

// The same searches, saying how they ended.
LineSearchSummary parmin_walk(RunState& s, Host& host, Evaluate whole_objective);
LineSearchSummary PARMIN1_walk(RunState& s, Host& host, Evaluate cohort_model);

}  // namespace quorvane
