// Leave one out: the assessment repeated once without each tuning series it uses (each SSB survey,
// each aged fleet), to see how far the answer rests on a single series. A series that pulls the
// stock one way while the others pull it another shows as a run far from the rest.
//
// The run without a series is the run's own fields with that series taken out of its list: the
// series after it move up one place (file, time, kind, catchability, comparison, loss, deviation
// and weight together), the count is lowered by one, and a list left empty is switched off. Every
// other field stays. Each such run is a run beside the main one (run/variant_runs.h) in
// leave_out/ssbK/ or leave_out/fleetK/ under the working directory, K the series' place in the
// main run's fields.
//
// Its effect on a quantity X (SSB, F-bar, recruitment) is the relative change in the main run's
// last year: (X_without - X_main) / X_main, none when X_main is 0.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "report/results_record.h"
#include "run/field_registry.h"
#include "run/run_keys.h"
#include "run/start.h"
#include "run/tuning_series.h"
#include "run/variant_runs.h"

namespace quorvane {

// The tuning series the fields use, SSB surveys first, each in the order of its place. A fleet's
// name is read from its file, relative to `workdir`. SettingsError, as START gives it, when the
// fields cannot be read.
std::vector<TuningSeries> tuning_series(const FieldTexts& texts, const std::string& workdir);

// The fields of the run without `series` (see above).
FieldTexts fields_without(const FieldTexts& texts, const TuningSeries& series);

// The folder of the run without `series`: "<workdir>/leave_out/<key>".
std::string leave_out_folder(const std::string& workdir, const TuningSeries& series);

// One run without a series, after it ran.
struct LeaveOutRun : VariantRun {
  TuningSeries series;
};

// The relative change of SSB, F-bar and recruitment from the main run to the run without a
// series, in the main run's last year.
struct LeaveOutChange {
  double year = 0;
  std::optional<double> ssb, fbar, recruitment;
};

// None when the run did not finish or has no stock summary for the main run's last year.
std::optional<LeaveOutChange> leave_out_change(const std::vector<SummaryYear>& full,
                                               const LeaveOutRun& run);

// "Without fleet 2 (IBTS_Q1_gam): terminal f 2.5; SSB 2014 +5.21 %, F-bar 4-6 -3.1 %,
// recruitment +12.4 %", with "mean F" in the place of F-bar when its ages were not chosen; a run
// that did not finish gives its message instead ("Without SSB survey 1: ...").
std::string leave_out_line(const std::vector<SummaryYear>& full, const LeaveOutRun& run,
                           const std::optional<std::array<int, 2>>& fbar_ages);

// Writes into `folder`:
//   leave_out.csv         left_out, name, year, ssb, f, mean_f, recruitment, fbar; left_out
//                         "none" for the main run, the series' key for the others that finished
//   leave_out_change.csv  left_out, name, finished (1 or 0), terminal_f, year, then for ssb,
//                         fbar and recruitment the value without the series and its relative
//                         change, and the message of a run that did not finish
// InputError when a file cannot be written.
void write_leave_out_tables(const std::string& folder, const std::vector<SummaryYear>& full,
                            const std::vector<LeaveOutRun>& runs);

// What a leave-one-out analysis left behind.
struct LeaveOutResult {
  std::vector<LeaveOutRun> runs;  // one per tuning series, in the order of tuning_series
  std::string folder;             // leave_out/ under the working directory
  std::string problem;     // one line when the fields could not be read or a table not written
  bool cancelled = false;  // the cancel test ended it after the runs: no tables
};

// The runs without each tuning series of the run whose fields are `texts` and whose stock summary
// is `full`, on up to `threads` threads, then, unless `cancelled` says so, the tables in
// leave_out/ under `workdir`. `keys` are the main run's, so that F-bar is over the same ages.
LeaveOutResult run_leave_out(const std::string& workdir, const FieldTexts& texts, unsigned threads,
                             const std::vector<SummaryYear>& full,
                             const VariantHostFactory& make_host, const CancelTest& cancelled = {},
                             const RunOptions& options = {}, const RunKeys& keys = {});

}  // namespace quorvane
