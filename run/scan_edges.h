// A scan keeps the best point of its grid. When that point is the first or the last value of an
// axis the grid has not bracketed the minimum: the loss may go on falling beyond it, and the
// estimate is the grid's bound rather than a fit. These notes say so after a run, naming the
// field that bounds the axis, and count the bootstrap runs whose terminal f stopped there, since
// those runs cut the band at the bound.
#pragma once

#include <string>
#include <vector>

#include "report/results_record.h"
#include "state/run_state.h"

namespace quorvane {

enum class GridEnd { Inside, Lowest, Highest };

// Where `value` lies on `grid` (points in increasing order, as the scan walks them): at its
// first or last point, or inside. A value within half a step of an end counts as that end, so
// that a value read back rounded still finds its point. A grid of one point has no ends.
GridEnd grid_end(const std::vector<double>& grid, double value);

// One line per scanned axis (terminal f; M or ALFA when searched) whose best point is an end of
// the grid. None after a precise search, or for a run that was stopped or did not finish.
std::vector<std::string> scan_edge_notes(const RunState& s, const ResultsRecord& fit);

// How many finished bootstrap runs took the lowest or the highest terminal f of the scan (and M
// or ALFA, when scanned); empty when none did, or after a precise search.
std::string bootstrap_edge_note(const RunState& s, const ResultsRecord& fit);

}  // namespace quorvane
