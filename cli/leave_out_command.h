// quorvane-batch --leave-out: the run repeated without each of its tuning series after the run,
// on all cores, with one line per series on standard output and the two tables in leave_out/.
#pragma once

#include "cli/batch_options.h"
#include "cli/progress_line.h"
#include "report/results_record.h"

namespace quorvane {

// Runs the assessment without each tuning series of `full`'s run; returns false when the run has
// no tuning series, when the tables could not be written or a run could not write its files (the
// message is on standard error).
bool run_leave_out_command(const BatchOptions& options, const ResultsRecord& full,
                           ProgressLine& line);

}  // namespace quorvane
