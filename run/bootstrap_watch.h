// What a window shows of the bootstrap beside the design's picture (Host::bootstrap_status): the
// run whose lines come next, how many evaluations it has made and its latest total loss, and the
// runs already written. Each way of running the bootstrap reports as a run's turn begins and
// while the run is computed, at most at each new evaluation.
#pragma once

#include "base/host.h"
#include "state/run_state.h"

namespace quorvane {

// Run `computing` (0: none) of a bootstrap of `total` runs, the runs before it written, with
// `evaluations` made so far and `loss` the total loss of the latest (left out until there is one).
BootstrapStatus bootstrap_status_of(int total, int computing, long evaluations, double loss);

// One estimation of bootstrap run s.bootn on this thread, as estimate() makes it, its progress
// reported to the host as it begins and at each new evaluation. The host sees every other call
// as estimate() makes it.
void estimate_watched(RunState& s, Host& host);

}  // namespace quorvane
