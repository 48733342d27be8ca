// The bootstrap runs on several cores, writing exactly what the runs one after the other write.
//
// The chain from one run to the next is cheap and stays in order on the calling thread: the
// catch draws, the perturbed surveys and the temporary fleet files of every run are prepared in
// the order of the random sequence, and each run keeps the data that its own preparation left.
// The estimations, which are the cost, run ahead on other threads, each from the state that the
// latest finished run left. A run reads almost nothing of what the run before it left, and what
// it may read is checked when its turn comes:
//   - the loss history SSETP, which the first evaluation's stopping test may read at its second
//     pass: the test is taken again with the value actually left, and must decide alike;
//   - the stock numbers N(a,y) that the recursion keeps when N(a+1,y+1) < 0: a run computed
//     ahead starts with no stock numbers at all (NaN), so that keeping one ends it with a fault;
//   - the total and catch losses that the progress window shows before the run has its own:
//     drawn, when its turn comes, from the run before it;
//   - the values that no run writes (the search log's M or ALFA when they are not searched, the
//     survey losses of surveys not used, ...): they must be those of the run before it.
// A run whose check fails, or which failed or faulted, is computed again in its turn, on the
// calling thread. Its outputs (search log lines, bootstrap lines, the progress drawing, the yield
// points put to the user) are committed in the order of the runs. A stop or a quit at one of its
// yield points computes the run again in its turn up to that point and carries the request out
// there; after a restart the remaining runs go one after the other. A request that comes while
// the calling thread waits for the run whose turn it is would wait for the whole run: the run is
// given up and computed in its turn, whose first yield point takes the request at once.
//
// A run computed ahead reads the fleet tables that its preparation left without reading their
// files again, so the "working..." notice that the run shows while a file is read is not drawn.
#pragma once

#include <cstdint>

#include "base/host.h"
#include "state/run_state.h"

namespace quorvane {

enum class BootstrapProgress {
  Done,        // the run loop is over: finalization follows
  Unwound,     // the user ended the run: return at once
  Sequential,  // a restart drew new catches: the runs from bootn on go one after the other
};

// Whether a run computed ahead with `predicted` as the SSETP that the run before it left
// computes the same with the `actual` one. Its first evaluation's second stopping test reads
// that loss only when the test on its own two catch losses (`first_loss`, `second_loss`) does
// not decide, and the history moves on only when the evaluation goes on: so both values must
// let it go on, or be the same.
bool loss_history_holds(std::int16_t n4, double first_loss, double second_loss, double predicted,
                        double actual);

// Whether the drawing of runs computed ahead may be folded (see HostCalls in the .cpp): set once
// by a program whose progress window shows only the newest picture. Off by default, so that a
// host that records every call sees every call.
void fold_drawing_of_runs_ahead(bool fold);

// Threads of the bootstrap: bootstrap_threads, or every core when it is 0.
int bootstrap_thread_count(const RunState& s);

// Bootstrap runs bootn .. boottot on `threads` threads, bootn's data not yet drawn.
BootstrapProgress run_bootstrap_in_parallel(RunState& s, Host& host, int threads);

}  // namespace quorvane
