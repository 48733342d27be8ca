#include "objective/generation_factors.h"

#include <algorithm>
#include <cmath>

#include "base/errors.h"

namespace quorvane {

namespace {

constexpr const char* kProc = "TRIPLE";

// Cohort means need at least two cells: one cell would only give back its own raw ratio.
constexpr int kMinCohortCells = 2;

// Whether cell (a, y) may enter a cohort mean: inside the age window and before the last catch
// year.
bool in_window(const RunState& s, int a, int y) {
  return s.tragemin <= a && a <= s.tragemax && y < s.trayearmax;
}

// Step 3 for one diagonal d = (y - yearmin) - (a - agemin). A diagonal holds at most one cell per
// age, so walking its ages upwards visits its cells in the order of an age-outer scan. The mean
// is the same for every cell of the cohort and is taken once.
void cohort_mean(RunState& s, int d, bool geometric) {
  // The ages whose cell on this diagonal lies inside the years of the block.
  const int first = std::max<int>(s.agemin, s.agemin - d);
  const int last = std::min<int>(s.agemax, s.agemin + (s.yearmax - s.yearmin) - d);
  const int dy = s.yearmin + d - s.agemin;  // y = a + dy on this diagonal
  double acc = 0;
  int cnt = 0;
  for (int a = first; a <= last; ++a) {
    const int y = a + dy;
    if (!in_window(s, a, y)) continue;
    const double g = s.gfactor(a, y);
    acc = acc + (geometric ? checked_log(g, kProc, age_of(s, a), year_of(s, y)) : g);
    cnt = cnt + 1;
  }
  const bool averaged = cnt >= kMinCohortCells;
  const double mean = !averaged ? 1 : geometric ? std::exp(acc / cnt) : acc / cnt;
  for (int a = first; a <= last; ++a) {
    const int y = a + dy;
    s.gfactor(a, y) = averaged && in_window(s, a, y) ? mean : 1;
  }
}

}  // namespace

void TRIPLE(RunState& s) {
  const bool geometric = static_cast<Method>(s.n21) == Method::Log;
  const int nages = s.nages();
  const int nyears = s.nyears();

  // 1. Last catch year: a last year without any catch carries surveys only.
  double last_catch = 0;
  for (int a = s.agemin; a <= s.agemax; ++a) last_catch = last_catch + s.C(a, s.yearmax);
  s.trayearmax = static_cast<std::int16_t>(last_catch == 0 ? s.yearmax - 1 : s.yearmax);

  // 2. Raw ratios of the catch-implied rate to the separable prediction, inside the age window.
  for (int a = s.tragemin; a <= s.tragemax; ++a) {
    for (int y = s.yearmin; y <= s.yearmax; ++y) {
      s.gfactor(a, y) =
          checked_div(s.PHY(a, y), s.s(a, y) * s.f[y], kProc, age_of(s, a), year_of(s, y));
    }
  }

  // 3. Cohort means along every diagonal; the first and last values of d hold no cells.
  for (int d = s.agemin - s.agemax - 1; d <= s.yearmax - s.yearmin + 1; ++d) {
    cohort_mean(s, d, geometric);
  }

  // 4. Normalise to mean 1 over the block.
  double total = 0;
  for (int a = s.agemin; a <= s.agemax; ++a) {
    for (int y = s.yearmin; y <= s.yearmax; ++y) total = total + s.gfactor(a, y);
  }
  if (total == 0) throw_fault(kProc, "the generation factors sum to zero");
  for (int a = s.agemin; a <= s.agemax; ++a) {
    for (int y = s.yearmin; y <= s.yearmax; ++y) {
      s.gfactor(a, y) = s.gfactor(a, y) / total * nyears * nages;
    }
  }

  // 5. Apply the factors to the age factor of every cell.
  for (int a = s.agemin; a <= s.agemax; ++a) {
    for (int y = s.yearmin; y <= s.yearmax; ++y) s.s(a, y) = s.s(a, y) * s.gfactor(a, y);
  }

  // 6. Optionally rescale every year's age factors to sum 1. The sums of all years are formed
  //    first, each over the ages in increasing order, so that the cells are then walked the way
  //    they are stored; each cell is divided by its year's sum as before.
  if (holds(s.eachyearnormir, YesNo::Yes)) {
    YearVector year_sum{};
    for (int a = s.agemin; a <= s.agemax; ++a) {
      for (int y = s.yearmin; y <= s.yearmax; ++y) year_sum[y] = year_sum[y] + s.s(a, y);
    }
    for (int y = s.yearmin; y <= s.yearmax; ++y) {
      if (year_sum[y] == 0) {
        throw_fault(kProc, "the age factors of a year sum to zero", -1, year_of(s, y));
      }
    }
    for (int a = s.agemin; a <= s.agemax; ++a) {
      for (int y = s.yearmin; y <= s.yearmax; ++y) s.s(a, y) = s.s(a, y) / year_sum[y];
    }
  }

  // 7. Smooth against the age factors of the start of the pass (each cell on its own).
  const double keep = 1 - s.smoother;
  for (int a = s.agemin; a <= s.agemax; ++a) {
    for (int y = s.yearmin; y <= s.yearmax; ++y) {
      s.s(a, y) = keep * s.s(a, y) + s.smoother * s.sprev(a, y);
    }
  }
}

}  // namespace quorvane
