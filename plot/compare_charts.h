// The overlays of two runs (quorvane-compare and the window's "Compare with..."): SSB, F-bar and
// recruitment of run A and run B by year on one chart each, with each run's bootstrap band where
// it had a bootstrap.
#pragma once

#include <QChart>
#include <string>
#include <vector>

#include "plot/charts.h"
#include "run/run_comparison.h"

namespace quorvane::plot {

// The overlays, in display order: names "compare_ssb", "compare_fbar", "compare_recruitment".
std::vector<ChartInfo> overlay_charts();

// A new overlay chart (caller owns). `name_a` and `name_b` name the runs in the legend.
// Throws std::invalid_argument for a name not in overlay_charts().
QChart* make_overlay_chart(const ComparedRun& a, const ComparedRun& b, const std::string& name,
                           const std::string& name_a, const std::string& name_b);

// How a run is named in the legend: its results file, or its tables folder when that is not
// named after one, after the folder that holds it ("run2025/output.out" for
// ".../run2025/output.out.tables").
std::string run_name(const ComparedRun& run);

}  // namespace quorvane::plot
