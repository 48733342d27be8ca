// The tidy tables of a run (report/tables.h), written when the run is over from the record the
// results file left: beside the results file, with the fields of the run, the program version
// and the time the run started.
#pragma once

#include <chrono>
#include <string>

#include "run/settings.h"
#include "state/run_state.h"

namespace quorvane {

struct TablesOutcome {
  std::string folder;   // the folder written; empty when no tables were written
  std::string problem;  // why the tables could not be written; empty otherwise
  // When a forecast was asked for: the line that sums it up, or why it was not made (a run
  // stopped part way has no forecast, which is no fault of the run: `forecast_failed` is unset).
  std::string forecast;
  bool forecast_failed = false;
  // With a forecast: the per-recruit reference points, or why there are none (a note: the
  // forecast stands without them).
  std::string per_recruit;
  // With the per-recruit curves: the equilibrium under the fit's stock-recruitment relation, or
  // why there is none (a note, as for the per-recruit curves).
  std::string equilibrium;
  // With the equilibrium, when simulated stocks were asked for: the stochastic equilibrium's
  // line, or why there is none (a note).
  std::string stochastic_equilibrium;
};

// Writes the tables when the run wrote its whole results file (also a stopped run, or one whose
// bootstrap failed afterwards); nothing otherwise. The forecast, when asked for, is made from
// the main fit and written with them.
TablesOutcome write_run_tables(const RunState& s, const FieldTexts& texts,
                               std::chrono::system_clock::time_point started);

// A time as "YYYY-MM-DDTHH:MM:SSZ" (UTC).
std::string utc_time_text(std::chrono::system_clock::time_point t);

}  // namespace quorvane
