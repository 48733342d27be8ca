#include "model/cohort_model.h"

#include <cassert>
#include <cmath>

#include "base/errors.h"
#include "base/print.h"
#include "model/age_factors.h"
#include "model/central_mean.h"
#include "model/last_exp.h"
#include "model/progress_display.h"
#include "model/selectivity_tails.h"
#include "state/search_codes.h"

namespace quorvane {
namespace {

constexpr const char* kProcedure = "CALCSTOCK";

// A stock that the effort-controlled solution drove below zero is set to this many fish.
constexpr double kRepairedStock = 10.0;

// Twip positions of the catch loss and the replicate number on the progress window.
constexpr int kLossX = 8000, kLossY = 1;
constexpr int kBootLabelX = 4000, kBootValueX = 5000, kBootY = 6400;

[[noreturn]] void fault_at(const RunState& s, const std::string& what, int a, int y) {
  throw_fault(kProcedure, what, age_of(s, a), year_of(s, y));
}

// Which factor the direct search's trial value stands for.
struct TrialTarget {
  enum Kind { None, S1, S2, F } kind = None;
  int index = 0;
};

TrialTarget trial_target(const RunState& s) {
  const double code = s.metka1;
  if (code < kS2Offset) {
    if (code >= s.agemin && code <= s.agemax && code == std::floor(code)) {
      return {TrialTarget::S1, static_cast<int>(code)};
    }
  } else if (code > kS2Offset && code < kFOffset) {
    const double a = code - kS2Offset;
    if (a >= s.agemin && a <= s.agemax && a == std::floor(a)) {
      return {TrialTarget::S2, static_cast<int>(a)};
    }
  } else if (code > kFOffset && code < kCodeLimit) {
    const double y = code - kFOffset;
    if (y >= s.yearmin && y <= s.yearmax - 1 && y == std::floor(y)) {
      return {TrialTarget::F, static_cast<int>(y)};
    }
  }
  return {};
}

double& trial_factor(RunState& s, const TrialTarget& t) {
  switch (t.kind) {
    case TrialTarget::S1:
      return s.s1[t.index];
    case TrialTarget::S2:
      return s.s2[t.index];
    case TrialTarget::F:
      return s.f[t.index];
    case TrialTarget::None:
      break;
  }
  assert(false);
  return s.PARAM1;
}

// Step 2: with no catch in the last year, that year carries surveys only; the recursion then
// starts, in effect, from the year before with the terminal f.
bool extend_last_year(RunState& s) {
  double total = 0.0;
  for (int a = s.agemin; a <= s.agemax; ++a) total += s.C(a, s.yearmax);
  if (total != 0.0) return false;
  s.f[s.yearmax - 1] = s.f[s.yearmax];
  return true;
}

// Step 4: natural mortality by the M option.
void set_natural_mortality(RunState& s) {
  const auto option = static_cast<MOption>(s.n1);
  if (option == MOption::Known) return;
  for (int a = s.agemin; a <= s.agemax; ++a) {
    double m = s.MC;
    if (option == MOption::ByAge) {
      // Smallest, 10 LALFA, at the age of mass maturity; growing with the squared distance.
      const double distance = a - s.amp;
      m = s.LALFA * (distance * distance + 10.0);
    } else if (option != MOption::Constant) {
      return;
    }
    for (int y = s.yearmin; y <= s.yearmax; ++y) s.M(a, y) = m;
  }
}

// Step 5: under the direct search the oldest ages are not searched; they copy the youngest age
// of the tail.
void copy_oldest_ages(RunState& s) {
  const int am = s.agemax;
  if (holds(s.n3, LastAgeKind::Normal)) {
    s.s1[am] = s.s1[am - 1];
    s.s2[am] = s.s2[am - 1];
    for (int y = s.yearmin; y <= s.yearmax; ++y) s.s(am, y) = s.s(am - 1, y);
  } else if (holds(s.n3, LastAgeKind::PlusGroup)) {
    s.s1[am - 1] = s.s1[am - 2];
    s.s1[am] = s.s1[am - 1];
    s.s2[am - 1] = s.s2[am - 2];
    s.s2[am] = s.s2[am - 1];
  }
}

// Step 8, for one period: the factors below age a0 keep their values; a0 and all older ages are
// scaled so that the whole pattern up to agemax sums to 1.
void renormalise_from(RunState& s, AgeVector& factor, int a0) {
  assert(a0 >= 0 && a0 < kAgeSlots);
  double below = 0.0;
  for (int a = s.agemin; a <= a0 - 1; ++a) below += factor[a];
  double from = 0.0;
  for (int a = a0; a <= s.agemax; ++a) from += factor[a];
  if (from == 0.0) {
    throw_fault(kProcedure, "division by zero: the age factors to renormalise sum to 0",
                a0 >= s.agemin ? age_of(s, a0) : -1);
  }
  const double keep = 1.0 - below;
  for (int a = a0; a <= s.agemax; ++a) factor[a] = factor[a] * keep / from;
}

void renormalise_age_factors(RunState& s) {
  if (s.metka1 < kS2Offset) {
    renormalise_from(s, s.s1, static_cast<int>(s.metka1));
  } else if (s.metka1 > kS2Offset && s.metka1 < kFOffset) {
    renormalise_from(s, s.s2, static_cast<int>(s.metka1 - kS2Offset));
  }
}

// The point equation: the stock that the model exploitation rate needs to yield the observed
// catch, brought back from the catch moment to the start of the year.
void point_equation(RunState& s, int a, int y, LastExp& exp_mp) {
  const double p = s.s(a, y) * s.f[y];
  if (p == 0.0) fault_at(s, "division by zero: s(a,y)*f(y) = 0 in the point equation", a, y);
  s.N(a, y) = s.C(a, y) / p * exp_mp(s.M(a, y) * s.part);
}

// Step 11: each cohort backwards from its oldest computed cell, age by age from agemaxa down to
// agemin, so that N(a+1,y+1) is final when it is used. With N' = N(a+1,y+1), c = C(a,y),
// p = s(a,y) f(y):
//   (i)   N' > 0, c = 0:  N = N' e^M                       (no fishing)
//   (ii)  N' > 0, c > 0:  the mode's solution from Nc and Ne
//   (iii) N' = 0:         N = c / p e^(M part)             (the point equation)
// With N' < 0 (an exploitation rate above 1 in an older cell) no rule applies and N(a,y) keeps
// the value it had before the call.
void cohort_recursion(RunState& s) {
  const auto mode = static_cast<Mode>(s.n5);
  const double part = s.part;
  const double mix3 = s.mix;
  // Mode 4 leaves its working values as the last cell under rule (ii) set them.
  bool weighted = false;
  double mix4 = 0.0, e1_last = 0.0, e2_last = 0.0;
  LastExp exp_m, exp_mp, exp_neg_mp;

  for (int a = s.agemaxa; a >= s.agemin; --a) {
    for (int y = s.yearmax - 1; y >= s.yearmin; --y) {
      const double n_next = s.N(a + 1, y + 1);
      const double c = s.C(a, y);
      const double p = s.s(a, y) * s.f[y];
      const double m = s.M(a, y);
      if (n_next > 0.0) {
        const double survivors = n_next * exp_m(m);
        if (c == 0.0) {  // (i); Nc = N' e^M + 0 e^(M part) is exactly N' e^M
          s.N(a, y) = survivors;
          continue;
        }
        if (!(c > 0.0)) continue;  // a negative catch is outside the data: no rule applies
        const double emp = exp_mp(m * part);
        const double nc = survivors + c * emp;
        if (mode == Mode::Catch) {
          s.N(a, y) = nc;
          continue;
        }
        const double escape = 1.0 - p;
        if (escape == 0.0) {
          fault_at(s, "division by zero: the exploitation rate s(a,y)*f(y) is 1", a, y);
        }
        const double ne = survivors / escape;
        switch (mode) {
          case Mode::Effort:
            s.N(a, y) = ne;
            break;
          case Mode::Mixed:
            s.N(a, y) = mix3 * nc + (1.0 - mix3) * ne;
            break;
          case Mode::MixedByPoints: {
            // Squared catch errors of the two solutions; the worse the effort-controlled one
            // reproduces the catch, the more weight the catch-controlled one gets.
            const double back = exp_neg_mp(-m * part);
            const double d1 = c - p * nc * back;
            const double d2 = c - p * ne * back;
            const double e1 = d1 * d1;
            const double e2 = d2 * d2;
            const double total = e1 + e2;
            if (total == 0.0) {
              fault_at(s, "division by zero: both solutions reproduce the catch exactly", a, y);
            }
            e1_last = e1;
            e2_last = e2;
            mix4 = e2 / total;
            weighted = true;
            s.N(a, y) = mix4 * nc + (1.0 - mix4) * ne;
            break;
          }
          case Mode::Catch:
            break;
        }
      } else if (n_next == 0.0) {  // (iii)
        if (p == 0.0) fault_at(s, "division by zero: s(a,y)*f(y) = 0 in the point equation", a, y);
        s.N(a, y) = c / p * exp_mp(m * part);
      }
    }
  }
  if (weighted) {
    s.rekv1 = e1_last;
    s.rekv2 = e2_last;
    s.mix = mix4;
  }
}

// Step 12. Every cell is looked at anyway, so an overflow of the recursion is caught here before
// it can reach a residual or a file.
void repair_negative_stock(RunState& s) {
  for (int y = s.yearmin; y <= s.yearmax; ++y) {
    for (int a = s.agemin; a <= s.agemax; ++a) {
      const double n = s.N(a, y);
      if (n < 0.0) {
        s.N(a, y) = kRepairedStock;
      } else if (!std::isfinite(n)) {
        fault_at(s, "overflow: the stock number is not finite", a, y);
      }
    }
  }
}

// Step 13: survivors of yearmax-1 carried into the last year. N(agemin,yearmax) stays 0, and the
// plus group's own survivors are not added to the oldest age.
void project_into_last_year(RunState& s) {
  const int yp = s.yearmax - 1;
  for (int a = s.agemin + 1; a <= s.agemax; ++a) {
    s.N(a, s.yearmax) =
        (1.0 - s.s(a - 1, yp) * s.f[yp]) * std::exp(-s.M(a - 1, yp)) * s.N(a - 1, yp);
  }
}

// ln C(a,y), taken anew only when the catch of the cell has changed since its logarithm was
// kept: the catches stay the same through a whole estimation, while this computation runs
// hundreds of times in it.
double log_catch(RunState& s, int a, int y) {
  const double c = s.C(a, y);
  if (c != s.log_catch_of(a, y)) {
    s.log_catch(a, y) = std::log(c);
    s.log_catch_of(a, y) = c;
  }
  return s.log_catch(a, y);
}

// Step 14: resid = ln C - ln(p N e^(-M part)), 0 where there is no catch.
void catch_residuals(RunState& s) {
  const double part = s.part;
  LastExp exp_neg_mp;
  for (int a = s.agemin; a <= s.agemax; ++a) {
    for (int y = s.yearmin; y <= s.yearmax; ++y) {
      const double c = s.C(a, y);
      double r = 0.0;
      if (c > 0.0) {
        const double predicted = s.s(a, y) * s.f[y] * s.N(a, y) * exp_neg_mp(-s.M(a, y) * part);
        if (!(predicted > 0.0) || !std::isfinite(predicted)) {
          fault_at(s, "logarithm of a non-positive or non-finite predicted catch", a, y);
        }
        r = log_catch(s, a, y) - std::log(predicted);
      }
      s.resid(a, y) = r;
      s.resid2(a, y) = r * r;
    }
  }
}

// Step 15 with SSE: cells without catch add 0.
double sum_of_squares(const RunState& s) {
  double sum = 0.0;
  for (int a = s.agemin; a <= s.agemax; ++a) {
    for (int y = s.yearmin; y <= s.yearmax; ++y) sum += s.resid2(a, y);
  }
  return sum;
}

// Step 9: the rows of the two oldest ages start from 0; the terminal year by the point equation.
void terminal_year(RunState& s) {
  for (int a = s.agemax - 1; a <= s.agemax; ++a) {
    for (int y = s.yearmin; y <= s.yearmax; ++y) s.N(a, y) = 0.0;
  }
  LastExp exp_mp;
  for (int a = s.agemin; a <= s.agemax; ++a) point_equation(s, a, s.yearmax, exp_mp);
}

// Step 10: the oldest ages by the point equation in every year (two with a plus group).
void oldest_ages(RunState& s) {
  LastExp exp_mp;
  if (holds(s.n3, LastAgeKind::PlusGroup)) {
    for (int a = s.agemax - 1; a <= s.agemax; ++a) {
      for (int y = s.yearmin; y <= s.yearmax; ++y) point_equation(s, a, y, exp_mp);
    }
  } else if (holds(s.n3, LastAgeKind::Normal)) {
    for (int y = s.yearmin; y <= s.yearmax; ++y) point_equation(s, s.agemax, y, exp_mp);
  }
  s.agemaxa = oldest_recursion_age(s);
}

// Step 15.
void catch_loss(RunState& s) {
  if (holds(s.n22, Loss::SSE)) {
    s.SSET = sum_of_squares(s);
  } else if (holds(s.n22, Loss::MDN) || holds(s.n22, Loss::AMD)) {
    mediana(s);
  }
}

// Step 17.
void report_progress(RunState& s, Host& host) {
  if (holds(s.n21, Method::Direct)) {
    s.SSEL1 = s.SSET;
    if (holds(s.scron, YesNo::Yes) && host.draws()) kartinka(s, host);
    return;
  }
  if (!holds(s.scron, YesNo::Yes) || !host.draws()) return;
  draw_text(host, kLossX, kLossY, "                ");
  draw_real(host, kLossX, kLossY, rounded(s.SSET, "#####.###"));
  draw_text(host, kBootLabelX, kBootY, "boot N:");
  draw_real(host, kBootValueX, kBootY, s.bootn);
}

}  // namespace

void CALCSTOCK(RunState& s, Host& host) {
  host.yield();  // 1. pending window events run here, and only here; STOP may end the run
  if (s.userend == 1) return;
  const bool direct = holds(s.n21, Method::Direct);

  const bool extended = extend_last_year(s);  // 2. a last year without catch carries surveys
  const TrialTarget trial = trial_target(s);  // 3. the direct search's trial value
  if (trial.kind != TrialTarget::None) trial_factor(s, trial) = s.PARAM1;
  set_natural_mortality(s);             // 4. M by the M option
  if (direct) copy_oldest_ages(s);      // 5. oldest ages under the direct search
  prirtails(s);                         // 6. one factor for the tail; sets agemaxa
  if (holds(s.gfactoron, YesNo::No)) {  // 7. s(a,y) from s1 and s2
    build_age_factor_by_year(s);
  }
  if (direct) renormalise_age_factors(s);   // 8. s1 or s2 sums to 1 again
  terminal_year(s);                         // 9. the terminal year by the point equation
  oldest_ages(s);                           // 10. the oldest ages by the point equation
  cohort_recursion(s);                      // 11. rules (i)-(iii) in Modes 1-4
  repair_negative_stock(s);                 // 12. a negative stock becomes 10
  if (extended) project_into_last_year(s);  // 13. survivors into the extended last year
  catch_residuals(s);                       // 14. log residuals and their squares
  catch_loss(s);                            // 15. SSE here, MDN or AMD by mediana
  if (trial.kind != TrialTarget::None) {    // 16. the search continues from the value read back
    s.PARAM1 = trial_factor(s, trial);
  }
  report_progress(s, host);  // 17. progress display
}

}  // namespace quorvane
