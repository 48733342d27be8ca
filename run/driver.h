// casec4: the estimation driver. Starting values, a scan over the grid of terminal f (and M or
// ALFA) or the precise cyclic search with parmin, "minim.out", RESPRINT, and the bootstrap loop
// that repeats the estimation on perturbed data.
#pragma once

#include <vector>

#include "base/host.h"
#include "base/print.h"
#include "model/line_search.h"
#include "state/run_state.h"

namespace quorvane {

void casec4(RunState& s, Host& host);

// The steps of the run loop around one estimation. finish_run: RESPRINT, the bootstrap files
// after the main run, the line of the run just finished, bootn moved on; false when the loop
// ends there. prepare_bootstrap_data: the data of run bootn, drawn in the one order of the
// random sequence: the catches around the observed ones, then the SSB surveys, then the fleets.
bool finish_run(RunState& s, Host& host);
void prepare_bootstrap_data(RunState& s, Host& host);

// One estimation from the starting values: the counters of the search, "minim.out" created anew
// in the main run, the starting values, then the scan or the precise search. The bootstrap loop
// of casec4 runs it once per pass.
void estimate(RunState& s, Host& host);

// 3. The starting values of every estimation: M(a,y) = 0.17 in the block when M is searched,
// MC or ALFA at the window's first value, f(y) = 1, a flat selection pattern, gfactor = 1.
void set_starting_values(RunState& s);

// The two ways of searching, each evaluating the objective it is handed (the whole objective in
// a run). Precise: cycles of parmin over f, then M or ALFA, until a cycle finds no parameter that
// its last search moved by more than 1E-4; bflag numbers the cycles from 0. Scan: every grid
// point (M or ALFA outer, f inner), userend tested before each evaluation, then the objective
// once more at the best point so that the run state holds that fit.
void precise_search(RunState& s, Host& host, Evaluate objective);
void scan_search(RunState& s, Host& host, Evaluate objective);

// The points of one scan axis: lowest, lowest + step, lowest + step + step, ... while the value
// is at most the highest. The values are accumulated by repeated addition, as the search log
// shows them, so the last point is reached only when the sum does not overshoot it. The step
// must be positive and the highest not below the lowest (the settings reader rejects the rest).
std::vector<double> scan_grid(double lowest, double highest, double step);

// The best point met so far in a scan. A loss equal to the best one moves the point: of two
// grid points with the same loss, the later one is kept.
struct ScanBest {
  double loss = 999999999;  // above any loss a real stock gives, so the first point is taken
  double f = 0;             // terminal f
  double outer = 0;         // MC or ALFA of the outer loop (unused when M is known)

  bool consider(double point_loss, double point_f, double point_outer) {
    if (point_loss > loss) return false;
    loss = point_loss;
    f = point_f;
    outer = point_outer;
    return true;
  }
};

// The header line of "minim.out": the column titles, one per SSB survey and one per aged fleet,
// and "TOTAL_LOSSFUNC" in the column of the total loss.
void write_minim_header(PrintTarget& out, int totalinds, int totalind);

}  // namespace quorvane
