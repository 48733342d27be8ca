// prirtails: the oldest ages share one age factor per selection period.
//
// agemaxa = agemax - 2 with a plus group (n3 = 1), agemax - 1 with a normal last age (n3 = 2);
// s1(a) and s2(a) for a = agemaxa..agemax become their arithmetic mean (Methods 1, 3, 4) or their
// geometric mean (Method 2), both sums taken before any value is replaced.
//
// Symbols and their units: docs/glossary.md.
#pragma once

#include "state/run_state.h"

namespace quorvane {

// agemaxa: the oldest age that the cohort recursion computes; the ages above it share its factor.
std::int16_t oldest_recursion_age(const RunState& s);

void prirtails(RunState& s);

}  // namespace quorvane
