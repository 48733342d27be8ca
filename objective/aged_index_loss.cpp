#include "objective/aged_index_loss.h"

#include <algorithm>
#include <cmath>

#include "base/errors.h"
#include "data/survey_data.h"
#include "model/central_mean.h"

namespace quorvane {

namespace {

constexpr const char* kProc = "calcSSEindex";

// What the fleet's index measures.
enum class IndexType : std::int16_t { WholeStock = 1, Mature = 2, Immature = 3 };
// What is compared: index against numbers, index proportions against numbers, or proportions
// against model proportions.
enum class Comparison : std::int16_t {
  NumbersVsNumbers = 1,
  ProportionsVsNumbers = 2,
  ProportionsVsProportions = 3
};

// A residual below this size does not enter the central-values sample: such a cell has no
// observation (or a residual of exactly 0), as in the catch loss.
constexpr double kNoResidual = 1E-10;

// The loss measure of fleet k; a fleet whose field was never stored counts as "other than SSE".
std::int16_t fleet_loss(const RunState& s, int k) { return s.indmin[k].value_or(0); }

// Step 3: log residual of the measured part of the stock at survey time against the index, for
// every cell of the block. The survival is computed for every cell, observed or not.
void fleet_residuals(RunState& s, Host& host, int k) {
  const auto type = static_cast<IndexType>(s.indtype[k]);
  for (int a = s.agemin; a <= s.agemax; ++a) {
    for (int y = s.yearmin; y <= s.yearmax; ++y) {
      s.resid(a, y) = 0;
      const double mat = maturity(s, host, a, y);
      const double z =
          s.M(a, y) - checked_log(std::fabs(1 - s.PHY(a, y)), kProc, age_of(s, a), year_of(s, y));
      const double sv = std::exp(-s.indtime[k] * z);
      const double n = s.N(a, y);
      const double index = s.ind(a, y);
      if (!(index > 0 && n > 0)) continue;
      double measured;
      switch (type) {
        case IndexType::WholeStock:
          measured = n * sv;
          break;
        case IndexType::Mature:
          if (!(mat > 0)) continue;
          measured = mat * n * sv;
          break;
        case IndexType::Immature:
          if (!(1 - mat > 0)) continue;
          measured = (1 - mat) * n * sv;
          break;
        default:
          continue;
      }
      s.resid(a, y) = checked_log(measured, kProc, age_of(s, a), year_of(s, y)) - std::log(index);
    }
  }
}

// Step 5: q(a,k) = exp(mean over the years of the residuals of age a), or 1 when q is not
// estimated or the age has no residual.
void catchabilities(RunState& s, int k) {
  for (int a = s.agemin; a <= s.agemax; ++a) {
    double qsum = 0;
    int qcnt = 0;
    for (int y = s.yearmin; y <= s.yearmax; ++y) {
      if (s.resid(a, y) != 0) {
        qsum = qsum + s.resid(a, y);
        qcnt = qcnt + 1;
      }
    }
    double lnq = qcnt > 0 ? qsum / qcnt : 0;
    if (s.qest[k] != 1) lnq = 0;
    s.q[a][k] = std::exp(lnq);
  }
}

// Step 6, with the plain sum of squares of step 7 taken over the same cells in the same order:
// the cells that still have a residual after the proportions of step 4.
double correct_residuals(RunState& s, int k) {
  double sse = 0;
  for (int a = s.agemin; a <= s.agemax; ++a) {
    const double lnq = checked_log(s.q[a][k], kProc, age_of(s, a));
    for (int y = s.yearmin; y <= s.yearmax; ++y) {
      if (s.resid(a, y) != 0) {
        s.resid(a, y) = s.resid(a, y) - lnq;
        s.resid2(a, y) = s.resid(a, y) * s.resid(a, y);
        sse = sse + s.resid2(a, y);
      }
    }
  }
  return sse;
}

// Step 9: the catch residuals of the fitted pattern, as the cohort computation leaves them.
void restore_catch_residuals(RunState& s) {
  for (int a = s.agemin; a <= s.agemax; ++a) {
    for (int y = s.yearmin; y <= s.yearmax; ++y) {
      s.resid(a, y) = 0;
      if (s.C(a, y) > 0) {
        const double predicted = s.s(a, y) * s.f[y] * s.N(a, y) * std::exp(-s.M(a, y) * s.part);
        s.resid(a, y) =
            std::log(s.C(a, y)) - checked_log(predicted, kProc, age_of(s, a), year_of(s, y));
      }
      s.resid2(a, y) = s.resid(a, y) * s.resid(a, y);
    }
  }
}

}  // namespace

void inddetrend(RunState& s) {
  for (int y = s.yearmin; y <= s.yearmax; ++y) {
    s.sb = 0;
    for (int a = s.agemin; a <= s.agemax; ++a) {
      if (s.ind(a, y) > 0) s.sb = s.sb + s.ind(a, y);
    }
    for (int a = s.agemin; a <= s.agemax; ++a) {
      if (s.ind(a, y) > 0) s.ind(a, y) = s.ind(a, y) / s.sb;
    }
  }
}

void sumyearabund(RunState& s) {
  const int k = s.curind;
  for (int y = s.yearmin; y <= s.yearmax; ++y) {
    // The model side of a residual cell is exp(resid + ln I) = Nm(a,y).
    s.sb = 0;
    for (int a = s.agemin; a <= s.agemax; ++a) {
      if (s.resid(a, y) != 0) s.sb = s.sb + std::exp(s.resid(a, y) + std::log(s.ind(a, y)));
    }
    s.sumabund[y][k] = s.sb;
    for (int a = s.agemin; a <= s.agemax; ++a) {
      if (s.resid(a, y) != 0) {
        const double log_index = std::log(s.ind(a, y));
        const double share = std::exp(s.resid(a, y) + log_index) / s.sb;
        s.resid(a, y) = checked_log(share, "sumyearabund", age_of(s, a), year_of(s, y)) - log_index;
      }
    }
  }
}

void medianaind(RunState& s) {
  const bool amd = fleet_loss(s, s.curind) == static_cast<std::int16_t>(Loss::AMD);
  // The oldest age and the last year come from the point equation and never enter the sample.
  const int age_end = s.agemax - 1;
  const int year_end = s.yearmax - 1;
  s.popa = 0;
  while (true) {
    // 2. Values of the pass: raw residuals, then their absolute deviations from the first
    //    pass's centre (AMD); squared residuals otherwise.
    if (amd) {
      for (int y = s.yearmin; y <= year_end; ++y) {
        for (int a = s.agemin; a <= age_end; ++a) {
          s.resid2(a, y) = s.popa == 0 ? s.resid(a, y) : std::fabs(s.resid(a, y) - s.SSET);
        }
      }
    }
    // 3. Collect the cells that have a residual, year outer, age inner.
    int pos = 1;
    for (int y = s.yearmin; y <= year_end; ++y) {
      for (int a = s.agemin; a <= age_end; ++a) {
        s.sortbuf[pos] = s.resid2(a, y);
        if (std::fabs(s.resid(a, y)) >= kNoResidual) ++pos;
      }
    }
    s.kmax = static_cast<std::int16_t>(pos - 1);
    // 4-5. Central mean of the sorted sample.
    s.SSET = central_mean(s.sortbuf.data(), s.kmax, s.centralel, "medianaind");
    // What the exchange sort leaves in its working value: the largest value of the sample.
    s.smallestSE = *std::max_element(s.sortbuf.begin() + 1, s.sortbuf.begin() + 1 + s.kmax);
    // 6. AMD takes a second pass around the first pass's centre.
    s.popa = static_cast<std::int16_t>(s.popa + 1);
    if (!(amd && s.popa == 1)) break;
  }
  s.SSET = s.SSET * 100;
}

void calcSSEindex(RunState& s, Host& host) {
  for (int k = 1; k <= s.totalind; ++k) {
    s.curind = static_cast<std::int16_t>(k);
    const auto comparison = static_cast<Comparison>(s.indcomp[k]);

    // 1. The fleet's index, fresh from its file (or its bootstrap copy).
    agedindread(s, host);
    // 2. Index to proportions at age when proportions are compared.
    if (s.indcomp[k] > 1) inddetrend(s);
    // 3. Log residuals of the measured part of the stock.
    fleet_residuals(s, host, k);
    // 4. Model side to proportions too.
    if (comparison == Comparison::ProportionsVsProportions) sumyearabund(s);
    // 5. Catchability at age.
    catchabilities(s, k);
    // 6. Residuals corrected by ln q; their squares.
    const double sse = correct_residuals(s, k);
    // 7. The fleet's loss.
    if (fleet_loss(s, k) == static_cast<std::int16_t>(Loss::SSE)) {
      s.errind[k] = sse;
    } else {
      medianaind(s);
      s.errind[k] = s.SSET;
    }
    // 9. Catch residuals back in place before the next fleet.
    restore_catch_residuals(s);
  }
}

}  // namespace quorvane
