#include "objective/ssb_survey_loss.h"

#include <cmath>

#include "base/errors.h"
#include "data/survey_data.h"

namespace quorvane {

namespace {

constexpr const char* kProc = "calcSSESSB";

// The survey coefficient is estimated only for a relative index.
constexpr double kRelativeSurvey = 2;

// SSB at the time of the surveys in year y: the mature biomass depleted by the fraction parysp
// of the year's total mortality, Z = M - ln|1 - PHY|.
double ssb_at_survey(RunState& s, Host& host, int y) {
  double ssb = 0;
  for (int a = s.agemin; a <= s.agemax; ++a) {
    const double mat = maturity(s, host, a, y);
    const double survivors = std::fabs(1 - s.PHY(a, y));
    const double z = s.M(a, y) - checked_log(survivors, kProc, static_cast<int>(s.age_label(a)),
                                             static_cast<int>(s.year_label(y)));
    ssb = ssb + mat * s.SW(a, y) * s.N(a, y) * std::exp(-s.parysp * z);
  }
  return ssb;
}

}  // namespace

void calcSSESSB(RunState& s, Host& host) {
  if (s.totalinds < 1) return;

  // The survey-time SSB is the same for every survey (one parysp for all); it is computed once,
  // with the maturity looked up cell by cell, and used by both passes of every survey.
  YearVector ssb{};
  for (int y = s.yearmin; y <= s.yearmax; ++y) ssb[y] = ssb_at_survey(s, host, y);

  for (int k = 1; k <= s.totalinds; ++k) {
    s.curinds = static_cast<std::int16_t>(k);
    const YearVector& survey = s.ssbind[k];

    // 1. Coefficient pass over the observed years.
    double sum = 0;
    int cnt = 0;
    s.kssb[k] = 0;
    for (int y = s.yearmin; y <= s.yearmax; ++y) {
      if (survey[y] > 0) {
        const int year = static_cast<int>(s.year_label(y));
        sum = sum + (checked_log(ssb[y], kProc, -1, year) - std::log(survey[y]));
        cnt = cnt + 1;
      }
    }

    // 2. ln k is the mean log ratio of model to survey; an absolute survey keeps k = 1.
    double lnk = cnt > 0 ? sum / cnt : 0;
    if (s.ssbrel[k] != kRelativeSurvey) lnk = 0;
    s.kssb[k] = std::exp(lnk);

    // 3. Loss pass: plain sum of squared log residuals, whatever measure the catch uses.
    s.errssb[k] = 0;
    const double log_k = checked_log(s.kssb[k], kProc);
    for (int y = s.yearmin; y <= s.yearmax; ++y) {
      if (survey[y] > 0) {
        const double r = std::log(ssb[y]) - std::log(survey[y]) - log_k;
        s.errssb[k] = s.errssb[k] + r * r;
      }
    }
  }
}

}  // namespace quorvane
