// quorvane-batch --retro N: the peels of a retrospective analysis after the run, on all cores,
// with one line per peel and Mohn's rho on standard output and the two tables in retro/.
#pragma once

#include "cli/batch_options.h"
#include "cli/progress_line.h"
#include "report/results_record.h"

namespace quorvane {

// Runs the peels of `full`'s run; returns false when the retrospective tables could not be
// written (the message is on standard error).
bool run_retro_command(const BatchOptions& options, const ResultsRecord& full, ProgressLine& line);

}  // namespace quorvane
