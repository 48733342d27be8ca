#include "objective/whole_objective.h"

#include <cmath>
#include <string_view>

#include "base/errors.h"
#include "data/survey_data.h"
#include "model/age_factors.h"
#include "model/cohort_model.h"
#include "model/last_exp.h"
#include "model/line_search.h"
#include "model/progress_display.h"
#include "model/selectivity_tails.h"
#include "objective/aged_index_loss.h"
#include "objective/generation_factors.h"
#include "objective/ssb_survey_loss.h"
#include "state/indices.h"
#include "state/search_codes.h"

namespace quorvane {

namespace {

constexpr const char* kProc = "CALCSTOCKALL";

// Method 4 keeps iterating while the loss falls by more than this below a previous loss.
constexpr double kDirectFixedPointTolerance = 0.000001;
// Methods 1-3 compare losses in units of the fifth decimal.
constexpr double kLossUnitsPerOne = 100000;

// The direct search starts from sentinels that force one pass, and stops when a whole pass
// lowers the loss by less than kDirectSearchTolerance.
constexpr double kSentinelBeforeLast = 10000;
constexpr double kSentinelLast = 9000;
constexpr double kDirectSearchTolerance = 0.0001;
// Bounds of the one-dimensional searches of the direct search.
constexpr double kAgeFactorMax = 1;
constexpr double kYearFactorMax = 10;

// Columns and patterns of a line of the search log, in the order the line is written.
constexpr std::string_view kTerminalFPattern = "##.#####";
constexpr int kSsbColumn = 15;
constexpr std::string_view kSsbPattern = "#######0.##";
constexpr int kMcColumn = 30;
constexpr std::string_view kMcPattern = "#.#####";
constexpr int kAlfaColumn = 45;
constexpr std::string_view kAlfaPattern = "#.######";
constexpr int kCatchLossColumn = 60;
constexpr int kFirstSurveyColumn = 75;
constexpr int kSurveyColumnWidth = 20;
constexpr std::string_view kLossPattern = "###0.#####";

Method method(const RunState& s) { return static_cast<Method>(s.n21); }

// One value of the log line: rounded to its pattern, 0 as the number 0, nothing when negative.
void log_value(PrintTarget& out, double value, std::string_view pattern) {
  checked_finite(value, kProc);
  if (value == 0) {
    out.real(0);
  } else if (value > 0) {
    out.real(rounded(value, pattern));
  }
}

// Step 6 for Methods 1-3: whether a loss difference shows in the fifth decimal.
bool differs_in_fifth_decimal(double difference) {
  const auto units = round_to_int32(difference * kLossUnitsPerOne);
  if (!units) {
    throw_fault(kProc, "the change of the catch loss does not fit 32 bits in the stopping test");
  }
  return *units != 0;
}

// Step 2 and step 23: the parameter that the caller varies.
void apply_parameter(RunState& s) {
  if (s.METKA == kTagTerminalF) s.f[s.yearmax] = s.PARAM;
  if (s.METKA == kTagConstantM) s.MC = s.PARAM;
  if (s.METKA == kTagAlfa) s.LALFA = s.PARAM;
}

void return_parameter(RunState& s) {
  if (s.METKA == kTagTerminalF) s.PARAM = s.f[s.yearmax];
  if (s.METKA == kTagConstantM) s.PARAM = s.MC;
  if (s.METKA == kTagAlfa) s.PARAM = s.LALFA;
}

// Step 3: every evaluation starts from a flat pattern.
void start_pattern(RunState& s) {
  for (int y = s.yearmin; y <= s.yearmax - 1; ++y) s.f[y] = 1;
  set_flat_age_factors(s);
  s.gfactor.fill(1);
}

// Step 8: the pattern at the start of the pass.
void save_pattern(RunState& s) {
  for (int y = s.yearmin; y <= s.yearmax; ++y) s.fprev[y] = s.f[y];
  for (int a = s.agemin; a <= s.agemax; ++a) {
    s.s1prev[a] = s.s1[a];
    s.s2prev[a] = s.s2[a];
    for (int y = s.yearmin; y <= s.yearmax; ++y) s.sprev(a, y) = s.s(a, y);
  }
}

// Step 9: the exploitation rate that the catch implies for the stock of the last computation.
void catch_exploitation_rates(RunState& s) {
  LastExp exp_mp;
  for (int a = s.agemin; a <= s.agemax; ++a) {
    for (int y = s.yearmin; y <= s.yearmax; ++y) {
      s.PHY(a, y) = 0;
      if (s.C(a, y) > 0) {
        s.PHY(a, y) = checked_div(s.C(a, y), s.N(a, y), kProc, age_of(s, a), year_of(s, y)) *
                      exp_mp(s.M(a, y) * s.part);
      } else if (s.C(a, y) == 0) {
        s.PHY(a, y) = s.s(a, y) * s.f[y];
      }
    }
  }
  // A last year without a rate at some age borrows the year before.
  for (int a = s.agemin; a <= s.agemax; ++a) {
    if (s.PHY(a, s.yearmax) == 0) s.PHY(a, s.yearmax) = s.PHY(a, s.yearmax - 1);
  }
}

// Step 10: year factors from the rates and the age factors of the start of the pass; the
// terminal f is the searched parameter and stays.
void year_factors(RunState& s) {
  const int nages = s.nages();
  switch (method(s)) {
    case Method::Log:
      for (int y = s.yearmin; y <= s.yearmax - 1; ++y) {
        s.phylogsum[y] = 0;
        for (int a = s.agemin; a <= s.agemax; ++a) {
          s.phylogsum[y] = s.phylogsum[y] +
                           checked_log(s.PHY(a, y) / s.s(a, y), kProc, age_of(s, a), year_of(s, y));
        }
      }
      for (int y = s.yearmax - 1; y >= s.yearmin; --y) s.f[y] = std::exp(s.phylogsum[y] / nages);
      break;
    case Method::NonlogWeighted:
      for (int y = s.yearmin; y <= s.yearmax - 1; ++y) {
        double sum = 0;
        for (int a = s.agemin; a <= s.agemax; ++a) {
          sum = sum + checked_div(s.PHY(a, y), s.s(a, y), kProc, age_of(s, a), year_of(s, y));
        }
        s.f[y] = sum / nages;
      }
      break;
    default:  // Methods 1 and 4: the year's total rate
      for (int y = s.yearmin; y <= s.yearmax - 1; ++y) {
        double sum = 0;
        for (int a = s.agemin; a <= s.agemax; ++a) sum = sum + s.PHY(a, y);
        s.f[y] = sum;
      }
      break;
  }
}

// Step 13: age factors as ratios of sums, the generation factors taken out of the rates.
void age_factors_by_ratios(RunState& s) {
  double f1 = 0;
  for (int y = s.yearmin; y <= s.yearmid; ++y) f1 = f1 + s.f[y];
  if (f1 == 0) throw_fault(kProc, "the year factors of the first period sum to zero");
  for (int a = s.agemin; a <= s.agemax; ++a) {
    for (int y = s.yearmin; y <= s.yearmid; ++y) {
      s.s1sum[a] = s.s1sum[a] +
                   checked_div(s.PHY(a, y), s.gfactor(a, y), kProc, age_of(s, a), year_of(s, y));
    }
    s.s1[a] = s.s1sum[a] / f1;
  }
  if (s.yearmid < s.yearmax) {
    double f2 = 0;
    for (int y = s.yearmid + 1; y <= s.yearmax; ++y) f2 = f2 + s.f[y];
    if (f2 == 0) throw_fault(kProc, "the year factors of the second period sum to zero");
    for (int a = s.agemin; a <= s.agemax; ++a) {
      for (int y = s.yearmid + 1; y <= s.yearmax; ++y) {
        s.s2sum[a] = s.s2sum[a] +
                     checked_div(s.PHY(a, y), s.gfactor(a, y), kProc, age_of(s, a), year_of(s, y));
      }
      s.s2[a] = s.s2sum[a] / f2;
    }
  } else {
    for (int a = s.agemin; a <= s.agemax; ++a) s.s2[a] = 1;
  }
}

// Step 14: age factors as geometric means (Method 2).
void age_factors_geometric(RunState& s) {
  double l1 = 0;
  for (int y = s.yearmin; y <= s.yearmid; ++y) {
    l1 = l1 + checked_log(s.f[y], kProc, -1, year_of(s, y));
  }
  const int years1 = s.yearmid - s.yearmin + 1;
  for (int a = s.agemin; a <= s.agemax; ++a) {
    for (int y = s.yearmin; y <= s.yearmid; ++y) {
      s.s1sum[a] = s.s1sum[a] +
                   checked_log(s.PHY(a, y) / s.gfactor(a, y), kProc, age_of(s, a), year_of(s, y));
    }
    s.s1[a] = std::exp((s.s1sum[a] - l1) / years1);
  }
  double l2 = 0;
  for (int y = s.yearmid + 1; y <= s.yearmax; ++y) {
    l2 = l2 + checked_log(s.f[y], kProc, -1, year_of(s, y));
  }
  const int years2 = s.yearmax - s.yearmid;
  for (int a = s.agemin; a <= s.agemax; ++a) {
    for (int y = s.yearmid + 1; y <= s.yearmax; ++y) {
      s.s2sum[a] = s.s2sum[a] +
                   checked_log(s.PHY(a, y) / s.gfactor(a, y), kProc, age_of(s, a), year_of(s, y));
    }
    s.s2[a] = years2 > 0 ? std::exp((s.s2sum[a] - l2) / years2) : 1;
  }
}

// Step 18: period factors smoothed against the start of the pass.
void smooth_period_factors(RunState& s) {
  for (int a = s.agemin; a <= s.agemax; ++a) {
    s.s1[a] = (1 - s.smoother) * s.s1[a] + s.smoother * s.s1prev[a];
    s.s2[a] = (1 - s.smoother) * s.s2[a] + s.smoother * s.s2prev[a];
  }
}

// Step 21: Method 4 refines every age and year factor by one-dimensional searches, pass after
// pass, until a whole pass lowers the loss by less than kDirectSearchTolerance.
void direct_search(RunState& s, Host& host) {
  if (s.userend == 1) return;
  CALCSTOCK(s, host);
  s.SSETPP = kSentinelBeforeLast;
  s.SSETP = kSentinelLast;
  s.bflag1 = 0;
  // The oldest ages follow their younger neighbour and are left alone.
  const int last_age = oldest_recursion_age(s) - 1;
  while (s.userend != 1) {
    if (s.SSETPP - kDirectSearchTolerance <= s.SSETP) return;  // 21.1 settled
    s.SSETPP = s.SSETP;                                        // 21.2
    for (int x = s.agemin; x <= last_age; ++x) {               // 21.3 s1 pass
      s.LGRAN = 0;
      s.RGRAN = kAgeFactorMax;
      s.metka1 = x;
      PARMIN1(s, host, CALCSTOCK);
    }
    for (int x = s.agemin; x <= last_age; ++x) {  // 21.4 s2 pass
      s.LGRAN = 0;
      s.RGRAN = kAgeFactorMax;
      s.metka1 = x + kS2Offset;
      PARMIN1(s, host, CALCSTOCK);
    }
    for (int y = s.yearmax - 1; y >= s.yearmin; --y) {  // 21.5 f pass
      s.LGRAN = 0;
      s.RGRAN = kYearFactorMax;
      s.metka1 = y + kFOffset;
      PARMIN1(s, host, CALCSTOCK);
    }
    s.SSETP = s.SSET;  // 21.6
    s.metka1 = 0;
    s.bflag1 = static_cast<std::int16_t>(s.bflag1 + 1);
  }
}

// Step 27: SSB at the start of the last year, the maturity looked up cell by cell.
double last_year_ssb(RunState& s, Host& host) {
  double ssb = 0;
  for (int a = s.agemin; a <= s.agemax; ++a) {
    ssb = ssb + s.N(a, s.yearmax) * s.SW(a, s.yearmax) * maturity(s, host, a, s.yearmax);
  }
  return ssb;
}

}  // namespace

void normaliz(RunState& s) {
  double sum1 = 0;
  double sum2 = 0;
  for (int a = s.agemin; a <= s.agemax; ++a) {
    sum1 = sum1 + s.s1[a];
    sum2 = sum2 + s.s2[a];
  }
  if (sum1 == 0) throw_fault("normaliz", "the age factors s1 sum to zero");
  if (sum2 == 0) throw_fault("normaliz", "the age factors s2 sum to zero");
  for (int a = s.agemin; a <= s.agemax; ++a) {
    s.s1[a] = s.s1[a] / sum1;
    s.s2[a] = s.s2[a] / sum2;
  }
}

bool fixed_point_continues(std::int16_t n4, int iter, double SSET, double SSETP, double SSETPP) {
  if (holds(n4, YesNo::Yes)) {  // the direct method
    return iter < 2 || SSETP - kDirectFixedPointTolerance > SSET ||
           SSETPP - kDirectFixedPointTolerance > SSET;
  }
  // Left to right: the conversion is made only when the test before it has not decided.
  return iter < 2 || differs_in_fifth_decimal(SSET - SSETP) ||
         differs_in_fifth_decimal(SSET - SSETPP);
}

void write_search_log_line(const RunState& s, double ssb_last, PrintTarget& out) {
  log_value(out, s.f[s.yearmax], kTerminalFPattern);
  out.tab(kSsbColumn);
  log_value(out, ssb_last, kSsbPattern);
  out.tab(kMcColumn);
  log_value(out, s.MC, kMcPattern);
  out.tab(kAlfaColumn);
  log_value(out, s.LALFA, kAlfaPattern);
  out.tab(kCatchLossColumn);
  log_value(out, s.SSEL, kLossPattern);
  int column = kFirstSurveyColumn;
  for (int k = 1; k <= s.totalinds; ++k, column += kSurveyColumnWidth) {
    out.tab(column);
    log_value(out, s.errssb[k], kLossPattern);
  }
  for (int k = 1; k <= s.totalind; ++k, column += kSurveyColumnWidth) {
    out.tab(column);
    log_value(out, s.errind[k], kLossPattern);
  }
  out.tab(column);
  log_value(out, s.SSEALL, kLossPattern);
  out.end_line();
}

void CALCSTOCKALL(RunState& s, Host& host) {
  if (s.userend == 1) return;  // 1. the run is ending: nothing changes, nothing is logged
  apply_parameter(s);          // 2.
  start_pattern(s);            // 3. the same flat start for every evaluation
  int iter = 1;
  for (;;) {
    if (s.userend == 1) return;  // 4.
    CALCSTOCK(s, host);          // 5. stock, residuals and catch loss for the current pattern
    if (s.userend == 1) return;  // the user quit at the yield point: unwind without re-estimating
    if (!fixed_point_continues(s.n4, iter, s.SSET, s.SSETP, s.SSETPP)) break;  // 6.
    s.SSETPP = s.SSETP;  // 7. the loss history moves on
    s.SSETP = s.SSET;
    save_pattern(s);  // 8.
    ++iter;
    catch_exploitation_rates(s);  // 9. PHY from the catch and the stock just computed
    year_factors(s);              // 10.
    for (int y = s.yearmin; y <= s.yearmax - 1; ++y) {  // 11. smooth the year factors
      s.f[y] = (1 - s.smoother) * s.f[y] + s.smoother * s.fprev[y];
    }
    for (int a = s.agemin; a <= s.agemax; ++a) {  // 12.
      s.s1sum[a] = 0;
      s.s2sum[a] = 0;
    }
    if (method(s) == Method::Log) {
      age_factors_geometric(s);  // 14. geometric means (Method 2)
    } else {
      age_factors_by_ratios(s);  // 13. ratios of sums (Methods 1, 3, 4)
    }
    prirtails(s);  // 15. common tail, then each period sums to 1
    normaliz(s);
    build_age_factor_by_year(s);  // 16.
    if (holds(s.gfactoron, YesNo::Yes))
      TRIPLE(s);               // 17. s(a,y) then carries the generation factors
    smooth_period_factors(s);  // 18.
    normaliz(s);
    if (holds(s.gfactoron, YesNo::No)) build_age_factor_by_year(s);  // 19.
  }                                                                  // 20. next pass

  if (method(s) == Method::Direct) {  // 21. direct search of every factor
    direct_search(s, host);
    if (s.userend == 1) return;
  }

  s.SSEL = s.SSET;      // 22. catch loss of the fitted pattern
  return_parameter(s);  // 23.
  if (method(s) != Method::Direct && holds(s.scron, YesNo::Yes)) kartinka(s, host);  // 24.

  s.SSEALL = s.SSEL * s.weca;  // 25. weighted total loss, components in this order
  if (holds(s.indssb, YesNo::Yes)) {
    calcSSESSB(s, host);
    for (int k = 1; k <= s.totalinds; ++k) s.SSEALL = s.SSEALL + s.errssb[k] * s.wssb[k];
  }
  if (holds(s.indaged, YesNo::Yes)) {
    calcSSEindex(s, host);
    for (int k = 1; k <= s.totalind; ++k) s.SSEALL = s.SSEALL + s.errind[k] * s.wind[k];
  }

  if (s.userend == 1) return;                         // 26.
  const double ssb_last = last_year_ssb(s, host);     // 27.
  write_search_log_line(s, ssb_last, s.files.minim);  // 28.
  ++s.evaluations;
}

}  // namespace quorvane
