// SIGINT and SIGTERM in the batch runner: a cluster's time limit or a Ctrl-C acts as STOP
// answered "no bootstrap", so that the results of the moment are written and every file is closed
// on a whole line. The signal only sets a flag; the run looks at it at its yield point. A second
// signal ends the program at once, unless it comes within two seconds of the first (the same
// request delivered twice, as `timeout` and some schedulers do). SIGXFSZ is ignored, so that a
// file-size limit shows as a failed write with its reason instead of killing the program.
#pragma once

#include <csignal>

namespace quorvane {

void install_interrupt_handlers();

// The signal received (SIGINT or SIGTERM), or 0.
int interrupt_signal();

}  // namespace quorvane
