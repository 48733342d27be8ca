// Runs of the same stock beside the main assessment, each with some fields changed: the peels of a
// retrospective (retro/peelK/), the runs without one tuning series (leave_out/fleet2/). Each is a
// fresh session, its own run state as at a program start, in its own folder two levels below the
// working directory, where it writes its results file, search log and tables; its input files are
// taken from the working directory ("../../" before each relative name). Such runs answer No to the
// bootstrap question, make no forecast, and run side by side, one per thread.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/host.h"
#include "report/results_record.h"
#include "run/field_registry.h"
#include "run/run_keys.h"
#include "run/start.h"
#include "state/run_state.h"

namespace quorvane {

// What one run beside the main one left.
struct VariantRun {
  std::string folder;
  RunOutcome outcome;
  std::vector<SummaryYear> years;  // the stock summary of its results file; empty when it failed
  std::vector<std::string> edge_notes;          // its scan's best point at an end of the grid
  double terminal_f = 0;                        // its estimate, when it ran
  std::shared_ptr<const ResultsRecord> record;  // what its results file held, when it ran

  // It ran to its end and wrote its stock summary.
  bool ran() const { return outcome.status == RunStatus::Completed && !years.empty(); }
};

// The field texts as a run two folders below the working directory must see them: every input
// file's relative name with "../../" before it; the results file stays in the run's own folder.
FieldTexts fields_seen_from_variant(FieldTexts texts);

// The fields of run k; may raise SettingsError, which ends run k alone.
using VariantFields = std::function<FieldTexts(int k)>;
// The folder of run k.
using VariantFolder = std::function<std::string(int k)>;
// Makes the host of run k, which computes on `state`; called on the thread that runs it.
using VariantHostFactory = std::function<std::unique_ptr<Host>(int k, const RunState& state)>;

// True when the user has asked the analysis to end.
using CancelTest = std::function<bool()>;

// Runs 1..count on up to `threads` threads (at least one), run k in folder_of(k) with the fields
// fields_of(k) (already seen from that folder) and the run keys `keys` without their forecast.
// A run that fails is reported by its outcome; the others still run. Element k - 1 is run k.
std::vector<VariantRun> run_variants(int count, const VariantFolder& folder_of,
                                     const VariantFields& fields_of, unsigned threads,
                                     const VariantHostFactory& make_host,
                                     const RunOptions& options = {}, const RunKeys& keys = {});

}  // namespace quorvane
