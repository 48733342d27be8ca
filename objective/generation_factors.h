// TRIPLE: generation-dependent factors gfactor(a,y) of the year classes (triple separability).
//
// Raw ratio PHY(a,y) / (s(a,y) f(y)) inside the age window tragemin..tragemax, averaged along each
// cohort diagonal before the last catch year (arithmetic mean, geometric for Method 2), 1 for
// cohorts with fewer than two cells; normalised to mean 1 over the block, applied to s(a,y),
// optionally normalised within each year, smoothed against sprev(a,y).
//
// Symbols and their units: docs/glossary.md.
#pragma once

#include "state/run_state.h"

namespace quorvane {

void TRIPLE(RunState& s);

}  // namespace quorvane
