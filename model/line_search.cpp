#include "model/line_search.h"

#include <cmath>
#include <string>

#include "base/errors.h"
#include "state/search_codes.h"

namespace quorvane {
namespace {

// A step down must leave this margin above the lower limit, beyond the step itself.
constexpr double kLowerMargin = 0.001;

// Smallest steps: the outer search may step down until 1E-5, the inner one until 1E-4.
constexpr double kOuterSmallestStep = 1E-5;
constexpr double kInnerSmallestStep = 1E-4;
// The outer search's first cycle with M or ALFA searched too stops at the coarser step.
constexpr double kOuterCoarseStep = 1E-4;

// PARMIN1's fixed limits and start values.
constexpr double kInnerLower = 0.0;
constexpr double kYearFactorUpper = 10.0;
constexpr double kAgeFactorUpper = 1.0;
constexpr double kYearFactorStart = 2.0;
constexpr double kAgeFactorStep = 0.02;

// The search-specific parts of the walk.
struct Outer {
  static constexpr const char* kName = "parmin";
  RunState& s;
  Host& host;
  Evaluate evaluate_objective;

  double& point() { return s.PARAM; }
  double& step() { return s.DELTA; }
  double& previous_loss() { return s.SSEP; }
  double loss() const { return s.SSEALL; }
  double lower() const { return s.LGRAN; }
  double upper() const { return s.RGRAN; }
  double smallest_step() const { return kOuterSmallestStep; }
  // After a stop the objective returns at once and leaves its loss, so the walk runs out by
  // itself; only the start looks at userend.
  bool evaluate() {
    evaluate_objective(s, host);
    return true;
  }
  // With M known only f is searched, refined to 1E-5 at once; otherwise the driver's first
  // cycle stops at 1E-4.
  bool coarse(double d) const {
    if (holds(s.n1, MOption::Known)) return d > kOuterSmallestStep;
    return (d > kOuterCoarseStep && s.bflag < 1) || (d > kOuterSmallestStep && s.bflag >= 1);
  }
};

struct Inner {
  static constexpr const char* kName = "PARMIN1";
  RunState& s;
  Host& host;
  Evaluate evaluate_cohort;
  double upper_limit;

  double& point() { return s.PARAM1; }
  double& step() { return s.DELTA1; }
  double& previous_loss() { return s.SSEP1; }
  double loss() const { return s.SSEL1; }
  double lower() const { return kInnerLower; }
  double upper() const { return upper_limit; }
  double smallest_step() const { return kInnerSmallestStep; }
  bool evaluate() {
    if (s.userend == 1) return false;
    evaluate_cohort(s, host);
    return true;
  }
  bool coarse(double d) const { return d > kInnerSmallestStep; }
};

// Steps 3 to 7, from the start point and step that the caller has set.
template <class Search>
LineSearchSummary walk(Search& w) {
  LineSearchSummary summary;
  auto evaluate = [&]() {
    if (!w.evaluate()) return false;
    ++summary.evaluations;
    return true;
  };
  auto stopped = [&]() {
    summary.end = LineSearchEnd::UserEnd;
    return summary;
  };
  double& p = w.point();
  double& d = w.step();
  double& previous = w.previous_loss();

  // 3. The start point and one step below it.
  if (!evaluate()) return stopped();
  previous = w.loss();
  p = p - d;
  if (!evaluate()) return stopped();
  for (;;) {
    // 4. Step down while it improves:  L_prev > L, within the limits.
    while (d > w.smallest_step() && p <= w.upper() && p > w.lower() + d + kLowerMargin &&
           previous > w.loss()) {
      previous = w.loss();
      p = p - d;
      if (!evaluate()) return stopped();
    }
    // 5. Climb while a step up improves; there is no upper limit.
    p = p + d;
    previous = w.loss();
    if (!evaluate()) return stopped();
    for (long steps = 1; previous > w.loss(); ++steps) {
      if (steps == kMaxClimbSteps) {
        throw_fault(Search::kName,
                    "the climb did not end after " + std::to_string(kMaxClimbSteps) + " steps");
      }
      p = p + d;
      previous = w.loss();
      if (!evaluate()) return stopped();
    }
    // 6. Back to the best point of the climb (not evaluated again), a ten times finer step, and
    //    one step below it, compared with the last, worse point of the climb.
    p = p - d;
    d = d / 10.0;
    p = p - d;
    previous = w.loss();
    if (!evaluate()) return stopped();
    // 7.
    if (!w.coarse(d)) return summary;
  }
}

// The parameter that METKA names and the value remembered from its previous search.
struct OuterParameter {
  double* value = nullptr;
  double* remembered = nullptr;
  double guess = 0.0;
  double first_step = 0.0;
};

OuterParameter outer_parameter(RunState& s) {
  if (s.METKA == kTagTerminalF) return {&s.f[s.yearmax], &s.PREF, s.fscanmin, s.fscanstep};
  if (s.METKA == kTagConstantM) return {&s.MC, &s.PREVMC, s.mscanmin, s.mscanstep};
  if (s.METKA == kTagAlfa) return {&s.LALFA, &s.PREVALFA, s.mscanmin, s.mscanstep};
  return {};
}

// The factor that metka1 names and the value remembered from its previous search.
struct InnerParameter {
  double* value = nullptr;
  double* remembered = nullptr;
  bool year_factor = false;
};

InnerParameter inner_parameter(RunState& s) {
  const double code = s.metka1;
  auto index = [](double x) { return static_cast<int>(x); };
  if (code < kS2Offset) {
    const int a = index(code);
    if (a >= 0 && a < kAgeSlots) return {&s.s1[a], &s.s1prev[a], false};
  } else if (code > kS2Offset && code < kFOffset) {
    const int a = index(code - kS2Offset);
    if (a < kAgeSlots) return {&s.s2[a], &s.s2prev[a], false};
  } else if (code > kFOffset && code < kCodeLimit) {
    const int y = index(code - kFOffset);
    if (y < kYearSlots) return {&s.f[y], &s.fprev[y], true};
  }
  return {};
}

}  // namespace

LineSearchSummary parmin_walk(RunState& s, Host& host, Evaluate whole_objective) {
  const OuterParameter par = outer_parameter(s);
  if (par.value == nullptr) return {LineSearchEnd::NoParameter, 0};
  // 1. From the first cycles the window's guess and step; later half the movement since the
  //    previous search of this parameter, first stepping up by it.
  if (s.bflag < 2) {
    s.PARAM = par.guess;
    s.DELTA = par.first_step;
    *par.remembered = *par.value;
  } else {
    s.PARAM = *par.value;
    s.DELTA = std::fabs(*par.remembered - *par.value) / 2.0;
    *par.remembered = *par.value;
    s.PARAM = s.PARAM + s.DELTA;
  }
  // 2.
  if (s.userend == 1) return {LineSearchEnd::UserEnd, 0};
  Outer w{s, host, whole_objective};
  return walk(w);
}

LineSearchSummary PARMIN1_walk(RunState& s, Host& host, Evaluate cohort_model) {
  const InnerParameter par = inner_parameter(s);
  if (par.value == nullptr) return {LineSearchEnd::NoParameter, 0};
  // 1. In the first cycles a fixed start (2 for f, a flat pattern for s); later the whole
  //    movement since the previous pass, first stepping up by it.
  if (s.bflag1 < 2) {
    if (par.year_factor) {
      s.PARAM1 = kYearFactorStart;
      s.DELTA1 = (s.RGRAN - s.LGRAN) / 10.0;
    } else {
      s.PARAM1 = 1.0 / (s.agemax - s.agemin + 1);
      s.DELTA1 = kAgeFactorStep;
    }
    *par.remembered = *par.value;
  } else {
    s.PARAM1 = *par.value;
    s.DELTA1 = std::fabs(*par.value - *par.remembered);
    *par.remembered = *par.value;
    s.PARAM1 = s.PARAM1 + s.DELTA1;
  }
  Inner w{s, host, cohort_model, par.year_factor ? kYearFactorUpper : kAgeFactorUpper};
  return walk(w);
}

void parmin(RunState& s, Host& host, Evaluate whole_objective) {
  parmin_walk(s, host, whole_objective);
}

void PARMIN1(RunState& s, Host& host, Evaluate cohort_model) {
  PARMIN1_walk(s, host, cohort_model);
}

}  // namespace quorvane
