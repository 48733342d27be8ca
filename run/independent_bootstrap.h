// The independent bootstrap: replicates k = 1..boottot, each drawn around the observed data from
// the run state as the main run left it, with uniform numbers from a generator of its own seeded
// from the run's seed and k (state/uniform_random.h), and estimated as a chained run is. So a
// replicate's numbers depend on the seed and k alone: the replicates are independent and
// identically distributed, can be computed on any number of cores in any order, and a part
// first..last of them computes the same numbers as the whole.
//
// The lines of the replicates go to the bootstrap files and to "minim.out" in the order of k.
// A replicate that meets an arithmetic fault, or does not settle within the cap on its cohort
// computations, is recorded, not fatal: its number and message go to bootfailed.out, its lines
// are left out, and the others go on.
//
// The user's STOP or Quit during the replicates ends the bootstrap after the replicates that
// have been written.
#pragma once

#include <string>

#include "base/host.h"
#include "run/parallel_bootstrap.h"
#include "state/run_state.h"

namespace quorvane {

// The failure file: one line per failed replicate, its number and the fault's message.
inline constexpr const char* kBootFailedFile = "bootfailed.out";

// Cohort computations that one replicate may make before it counts as not settling.
inline constexpr long kReplicateComputationCap = 2'000'000;

// Replicates first..last (first_replicate, last_replicate of the run state) on `threads`
// threads, after the main run's lines are written (bootn = 1).
BootstrapProgress run_independent_bootstrap(RunState& s, Host& host, int threads);

// "bootstrap: 187 of 200 replicates finished, 13 failed (see bootfailed.out)" after an
// independent bootstrap; empty otherwise.
std::string bootstrap_summary(const RunState& s);

// The replicates a run computes: first_replicate..last_replicate, 0 meaning 1 and boottot.
int first_replicate_of(const RunState& s);
int last_replicate_of(const RunState& s);

}  // namespace quorvane
