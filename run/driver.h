// casec4: the estimation driver. Starting values, a scan over the grid of terminal f (and M or
// ALFA) or the precise cyclic search with parmin, "minim.out", RESPRINT, and the bootstrap loop
// that repeats the estimation on perturbed data.
#pragma once

#include "report/host.h"
#include "state/run_state.h"

namespace quorvane {

void casec4(RunState& s, Host& host);

}  // namespace quorvane
