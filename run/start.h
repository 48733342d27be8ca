// START: the start of a run, and the one place where a run's failures are caught.
#pragma once

#include <string>
#include <utility>

#include "base/host.h"
#include "run/run_tables.h"
#include "run/settings.h"
#include "state/run_state.h"

namespace quorvane {

// How a run ended.
enum class RunStatus {
  Completed,         // the run went to its end (also one that the user stopped)
  SettingsRejected,  // fields or settings rejected before the run; no file touched (exit 2)
  InputFailed,       // a file could not be read (exit 1)
  ArithmeticFailed,  // an arithmetic fault in the computation (exit 1)
};

struct RunOutcome {
  RunOutcome() = default;
  RunOutcome(RunStatus st, std::string msg) : status(st), message(std::move(msg)) {}

  RunStatus status = RunStatus::Completed;
  std::string message;  // one line; empty when the run completed
  // The tidy tables written after the run (their folder, or why they could not be written) and
  // the forecast made with them; empty when the run asked for none.
  TablesOutcome tables;
};

// What a run does besides its own files.
struct RunOptions {
  bool tables = true;  // the tidy tables beside the results file (run/run_tables.h)
};

// The START handler: clears the search state, reads the fields, resets the flags, closes
// bootstrap files left open, creates the results file, reads C, W, M and the SSB surveys, shows
// the progress window with "WAIT....." and calls the driver. Throws SettingsError, InputError or
// ArithmeticFault.
void START(RunState& s, Host& host, const FieldTexts& texts);

// START with its failures caught: open files are closed, the tidy tables are written when the
// results file was, and the host is told how the run ended.
RunOutcome run_start(RunState& s, Host& host, const FieldTexts& texts,
                     const RunOptions& options = {});

}  // namespace quorvane
