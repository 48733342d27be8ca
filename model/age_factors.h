// The age factor by year, s(a,y), from the two period factors, and the flat pattern every
// estimation starts from (symbols: docs/glossary.md).
//
//   s(a,y) = s1(a) for y = yearmin..yearmid,  s2(a) for y = yearmid+1..yearmax
//   flat:    s1(a) = s2(a) = s(a,y) = 1 / (agemax - agemin + 1)
#pragma once

#include "state/run_state.h"

namespace quorvane {

// s(a,y) for a = agemin..agemax from s1(a) and s2(a).
void build_age_factor_by_year(RunState& s);

// s1(a), s2(a) and s(a,y) of the analysed block all equal, summing to 1 over the ages.
void set_flat_age_factors(RunState& s);

}  // namespace quorvane
