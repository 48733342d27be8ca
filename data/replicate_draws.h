// The data of one independent bootstrap replicate, drawn around the observed data only, never
// around another replicate's: the catches around Corig(a,y) with the main fit's sigma, every SSB
// survey around its file's values with stdssb(k), every aged fleet around its file's table with
// stdind(k). The order of the draws and the perturbation are those of the chained bootstrap:
// catches (age outer, year inner), surveys (survey, year), fleets (fleet, year, age), two uniform
// numbers per cell, a positive value v becoming v (u / (1 - u))^(0.603 sd).
//
// A perturbed fleet value is rounded to two decimals, as the chained bootstrap's fleet copies
// hold it, and kept in the fleet's table in memory (no file is written, so replicates can be
// drawn side by side); a cell without observation becomes -1.
#pragma once

#include "state/run_state.h"

namespace quorvane {

// Draws into `w` with w.rng. Expects w.ssbind to hold the observed surveys and the fleet tables
// of the fleets' own files to be loaded (load_observed_fleets). ArithmeticFault when a drawn
// value is not finite.
void draw_replicate_data(RunState& w);

// Loads the fleet tables and the maturity table from the input files, as the main run reads
// them, so that replicates drawn on other threads read no file.
void load_observed_tables(RunState& s);

// What a fleet value becomes in a fleet copy: rounded to two decimals and read back.
double fleet_copy_value(double value);

}  // namespace quorvane
