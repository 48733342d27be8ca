#include "run/scan_edges.h"

#include <cmath>
#include <optional>

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

// The axis of M or ALFA when the scan runs over it too; its bounds are read only then.
std::optional<Axis> outer_axis(const RunState& s) {
  if (holds(s.n1, MOption::Constant)) {
    return Axis{"M", scan_grid(s.mscanmin, s.mscanmax, s.mscanstep), FieldId::MScanLow,
                FieldId::MScanHigh};
  }
  if (holds(s.n1, MOption::ByAge)) {
    return Axis{"ALFA", scan_grid(s.mscanmin, s.mscanmax, s.mscanstep), FieldId::AlfaScanLow,
                FieldId::AlfaScanHigh};
  }
  return std::nullopt;
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
  const auto note = [&notes](const Axis& axis, double best) {
    if (const GridEnd end = grid_end(axis.grid, best); end != GridEnd::Inside) {
      notes.push_back(edge_line(axis, best, end));
    }
  };
  note(f_axis(s), fit.terminal_f);
  const std::optional<double> outer_best = fit.m ? fit.m : fit.alfa;
  if (const std::optional<Axis> outer = outer_axis(s); outer && outer_best) {
    note(*outer, *outer_best);
  }
  return notes;
}

std::string bootstrap_edge_note(const RunState& s, const ResultsRecord& fit) {
  if (!scanned(s) || fit.bootstrap.empty()) return "";
  std::string line;
  const auto count_ends = [&](const Axis& axis, auto value_of) {
    int lowest = 0, highest = 0;
    for (const BootstrapRun& run : fit.bootstrap) {
      const std::optional<double> value = value_of(run);
      if (!value) continue;
      const GridEnd end = grid_end(axis.grid, *value);
      lowest += end == GridEnd::Lowest ? 1 : 0;
      highest += end == GridEnd::Highest ? 1 : 0;
    }
    const auto took = [&](int count, const char* end, FieldId bound) {
      line += (line.empty() ? "" : "; ") + std::to_string(count) + " of " +
              std::to_string(fit.bootstrap.size()) + " bootstrap runs took the " + end + " " +
              axis.name + " scanned (" + bound_text(bound) + ")";
    };
    if (highest > 0) took(highest, "highest", axis.high);
    if (lowest > 0) took(lowest, "lowest", axis.low);
  };
  count_ends(f_axis(s), [](const BootstrapRun& run) {
    return run.f.empty() ? std::nullopt : std::optional<double>(run.f.back());
  });
  if (const std::optional<Axis> outer = outer_axis(s)) {
    count_ends(*outer, [](const BootstrapRun& run) { return run.outer; });
  }
  if (line.empty()) return "";
  return line + ": their estimates are the scan's bound, not a fit. Widen the scan.";
}

}  // namespace quorvane
