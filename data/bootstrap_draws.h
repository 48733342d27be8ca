// The catch draws of the bootstrap: C(a,y) around the observed catches Corig(a,y) with the
// spread sigma of the main fit, ages outer and years inner, two uniform numbers per cell (also
// where Corig is 0, which stays 0):
//   C(a,y) = exp(ln Corig(a,y) + 0.603 sigma ln(u / (1 - u)))
#pragma once

#include "state/run_state.h"

namespace quorvane {

void draw_catches(RunState& s);

}  // namespace quorvane
