// Where the stock stands in the last year of the fit against the reference points the run states:
// one line for a person, e.g.
//   "Status in 2014: SSB 612346 = 1.22 x MSY Btrigger, 1.53 x Bpa; F-bar 4-6 0.202 = 0.67 x Fmsy"
// SSB at the start of the last year over each SSB point (MSY Btrigger, Bpa, Blim, those stated)
// and that year's F-bar over each F point (Fmsy, Fpa, Flim).
#pragma once

#include <string>

#include "report/results_record.h"
#include "state/reference_points.h"

namespace quorvane {

// The line; empty when the run states no reference point or the fit has no year.
std::string stock_status_line(const ResultsRecord& fit, const ReferencePoints& reference);

}  // namespace quorvane
