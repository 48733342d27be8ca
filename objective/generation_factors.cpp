#include "objective/generation_factors.h"

#include <algorithm>
#include <array>
#include <cassert>
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

// The diagonals d = (y - yearmin) - (a - agemin) of the block, one cohort each.
constexpr int kDiagonals = kAgeSlots + kYearSlots;

// Step 3 for one diagonal d: the factor that every cell of the cohort inside the window gets.
// A diagonal holds at most one cell per age, so walking its ages upwards visits its cells in the
// order of an age-outer scan. Cells outside the window get 1 whatever the cohort's value.
double cohort_value(const RunState& s, int d, bool geometric) {
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
  if (cnt < kMinCohortCells) return 1;
  return geometric ? std::exp(acc / cnt) : acc / cnt;
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

  // 3. Cohort means along every diagonal, all taken before any cell is written: a diagonal
  //    reads only its own cells. Then every cell of the block gets its cohort's value (1 outside
  //    the window), and their sum for step 4 is formed in the same walk.
  const int d_first = s.agemin - s.agemax;  // the diagonals that hold cells
  const int d_last = s.yearmax - s.yearmin;
  assert(d_last - d_first < kDiagonals);
  std::array<double, kDiagonals> value;
  for (int d = d_first; d <= d_last; ++d) value[d - d_first] = cohort_value(s, d, geometric);
  double total = 0;
  for (int a = s.agemin; a <= s.agemax; ++a) {
    // Cell (a, y) lies on diagonal (y - yearmin) - (a - agemin), kept at value[y + shift].
    const int shift = (s.agemin - a) - s.yearmin - d_first;
    // in_window(s, a, y), its age test taken once per row.
    const bool row_in_window = s.tragemin <= a && a <= s.tragemax;
    for (int y = s.yearmin; y <= s.yearmax; ++y) {
      const double g = row_in_window && y < s.trayearmax ? value[y + shift] : 1;
      s.gfactor(a, y) = g;
      total = total + g;
    }
  }

  // 4. Normalise to mean 1 over the block; 5. apply the factors to the age factor of every cell;
  // 6. optionally rescale every year's age factors to sum 1 (each year's sum over the ages in
  // increasing order, each cell then divided by its year's sum); 7. smooth against the age
  // factors of the start of the pass. Each cell goes through the steps in this order.
  if (total == 0) throw_fault(kProc, "the generation factors sum to zero");
  const bool each_year = holds(s.eachyearnormir, YesNo::Yes);
  YearVector year_sum{};
  for (int a = s.agemin; a <= s.agemax; ++a) {
    for (int y = s.yearmin; y <= s.yearmax; ++y) {
      const double g = s.gfactor(a, y) / total * nyears * nages;
      s.gfactor(a, y) = g;
      s.s(a, y) = s.s(a, y) * g;
      if (each_year) year_sum[y] = year_sum[y] + s.s(a, y);
    }
  }
  if (each_year) {
    for (int y = s.yearmin; y <= s.yearmax; ++y) {
      if (year_sum[y] == 0) {
        throw_fault(kProc, "the age factors of a year sum to zero", -1, year_of(s, y));
      }
    }
  }
  const double keep = 1 - s.smoother;
  for (int a = s.agemin; a <= s.agemax; ++a) {
    for (int y = s.yearmin; y <= s.yearmax; ++y) {
      const double scaled = each_year ? s.s(a, y) / year_sum[y] : s.s(a, y);
      s.s(a, y) = keep * scaled + s.smoother * s.sprev(a, y);
    }
  }
}

}  // namespace quorvane
