#include "run/scan_edges.h"

#include <cmath>

#include "data/age_year_file.h"
#include "run/driver.h"
#include "run/field_registry.h"

namespace quorvane {
namespace {

struct Axis {
  std::string name;  // "terminal f", "M", "ALFA"
  std::vector<double> grid;
  FieldId low, high;
};

bool scanned(const RunState& s) { return holds(s.scansearch, Search::Scan); }

Axis f_axis(const RunState& s) {
  return {"terminal f", scan_grid(s.fscanmin, s.fscanmax, s.fscanstep), FieldId::FScanLow,
          FieldId::FScanHigh};
}

std::string bound_text(FieldId id) { return field_title(field(id)) + ", " + numbered_name(id); }

std::string edge_line(const Axis& axis, double best, GridEnd end) {
  const bool high = end == GridEnd::Highest;
  return "The best " + axis.name + ", " + label_text(best) + ", is the " +
         (high ? "highest" : "lowest") + " value scanned (" +
         bound_text(high ? axis.high : axis.low) + "): the loss may go on falling " +
         (high ? "above" : "below") + " it. Widen the scan, or search precisely.";
}

}  // namespace

GridEnd grid_end(const std::vector<double>& grid, double value) {
  if (grid.size() < 2) return GridEnd::Inside;
  const double half_step = (grid[1] - grid[0]) / 2;
  if (std::fabs(value - grid.front()) < half_step) return GridEnd::Lowest;
  if (std::fabs(value - grid.back()) < half_step) return GridEnd::Highest;
  return GridEnd::Inside;
}

std::vector<std::string> scan_edge_notes(const RunState& s, const ResultsRecord& fit) {
  std::vector<std::string> notes;
  if (!scanned(s) || !fit.complete || fit.stopped) return notes;
  const Axis f = f_axis(s);
  if (const GridEnd end = grid_end(f.grid, fit.terminal_f); end != GridEnd::Inside) {
    notes.push_back(edge_line(f, fit.terminal_f, end));
  }
  // The M and ALFA bounds are read only when the scan runs over them.
  const auto outer = [&](const std::string& name, FieldId low, FieldId high, double best) {
    const Axis axis{name, scan_grid(s.mscanmin, s.mscanmax, s.mscanstep), low, high};
    if (const GridEnd end = grid_end(axis.grid, best); end != GridEnd::Inside) {
      notes.push_back(edge_line(axis, best, end));
    }
  };
  if (holds(s.n1, MOption::Constant) && fit.m) {
    outer("M", FieldId::MScanLow, FieldId::MScanHigh, *fit.m);
  }
  if (holds(s.n1, MOption::ByAge) && fit.alfa) {
    outer("ALFA", FieldId::AlfaScanLow, FieldId::AlfaScanHigh, *fit.alfa);
  }
  return notes;
}

std::string bootstrap_edge_note(const RunState& s, const ResultsRecord& fit) {
  if (!scanned(s) || fit.bootstrap.empty()) return "";
  const Axis f = f_axis(s);
  int lowest = 0, highest = 0;
  for (const BootstrapRun& run : fit.bootstrap) {
    if (run.f.empty()) continue;
    const GridEnd end = grid_end(f.grid, run.f.back());
    lowest += end == GridEnd::Lowest ? 1 : 0;
    highest += end == GridEnd::Highest ? 1 : 0;
  }
  if (lowest + highest == 0) return "";
  const auto took = [&](int count, const char* end, FieldId bound) {
    return std::to_string(count) + " of " + std::to_string(fit.bootstrap.size()) +
           " bootstrap runs took the " + end + " terminal f scanned (" + bound_text(bound) + ")";
  };
  std::string line;
  if (highest > 0) line = took(highest, "highest", f.high);
  if (lowest > 0) line += (line.empty() ? "" : "; ") + took(lowest, "lowest", f.low);
  return line + ": their estimates are the scan's bound, not a fit. Widen the scan.";
}

}  // namespace quorvane
