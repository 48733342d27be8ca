#include "model/age_factors.h"

namespace quorvane {

void build_age_factor_by_year(RunState& s) {
  for (int a = s.agemin; a <= s.agemax; ++a) {
    for (int y = s.yearmin; y <= s.yearmid; ++y) s.s(a, y) = s.s1[a];
    for (int y = s.yearmid + 1; y <= s.yearmax; ++y) s.s(a, y) = s.s2[a];
  }
}

void set_flat_age_factors(RunState& s) {
  const double flat = 1.0 / s.nages();
  for (int a = s.agemin; a <= s.agemax; ++a) {
    s.s1[a] = flat;
    s.s2[a] = flat;
    for (int y = s.yearmin; y <= s.yearmax; ++y) s.s(a, y) = flat;
  }
}

}  // namespace quorvane
