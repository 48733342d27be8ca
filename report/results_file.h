// The results file of the main run: thirteen sections written through the print facility, from
// the options of the run to the two overall standard errors. Sets sigma to the first standard
// error SE1 (left as it was when the block has a single age). The flow around it (the bootstrap
// question, a stop inside a bootstrap run) is RESPRINT's, in run/session_control.h.
#pragma once

#include "base/host.h"
#include "state/run_state.h"

namespace quorvane {

// Writes sections 1..13 to the open results file s.files.results and closes it. The values
// written are kept in a new s.results_record (report/results_record.h), marked complete once the
// file is closed.
void write_results_file(RunState& s, Host& host);

// The standard error of section 13 over the residuals left in s.resid on the block
// y = yearmin..yearmax-1, a = agemin..agemaxa: sqrt(sum (r - mean)^2 / D), mean = sum r / D.
double block_spread(const RunState& s, int divisor);

}  // namespace quorvane
