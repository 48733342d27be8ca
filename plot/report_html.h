// report.html: a run in one file that any browser opens without a network and without scripts.
// Its sections: the run (program version and time), the settings, the data, the fit (losses by
// component and the estimates), the stock summary, the bootstrap (count and bands), the
// retrospective (Mohn's rho), and every chart of the run as inline SVG. The markup is also
// well-formed XML, so that it can be checked by an XML reader.
#pragma once

#include <string>

#include "plot/charts.h"

namespace quorvane::plot {

// The report of the tables folder that `data` was read from (its run.csv and estimates.csv are
// read besides). Draws the charts, so a QApplication must exist. InputError naming file, line and
// token for a malformed table.
std::string report_html(const PlotData& data);

// Writes report_html(data) to `path`. InputError naming the path when it cannot be written.
void write_report(const PlotData& data, const std::string& path);

}  // namespace quorvane::plot
