// The analyses beside the run in the window program, computed on a worker thread without the
// progress window: the retrospective (the assessment with the current fields and its peels, the
// last 1..N analysis years removed, with the tables in retro/ under the working directory, as the
// batch runner writes them with --retro N) and leave one out (the assessment without each of its
// tuning series, with the tables in leave_out/, as --leave-out writes them).
#pragma once

#include <array>
#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "report/results_record.h"
#include "run/leave_out.h"
#include "run/retrospective.h"
#include "run/settings.h"

namespace quorvane::app {

struct RetroOutcome {
  std::string problem;  // one line when the full run failed or a table could not be written
  bool quit = false;    // "Quit session" ended it; nothing is to be shown
  std::vector<PeelResult> peels;
  std::vector<LeaveOutRun> without;  // leave one out: the run without each series
  std::vector<SummaryYear> full;     // leave one out: the stock summary of the main run
  std::vector<RetroRho> rho;  // ssb, mean_f, recruitment, fbar
  std::string hindcast;       // the peels' skill at foreseeing the surveys, one line; or empty
  std::optional<std::array<int, 2>> fbar_ages;  // the ages of F-bar when chosen
  std::string folder;         // retro/ under the working directory
  std::string tables;         // the full run's tables folder, from which the charts are drawn
};

// The full run the peels are set against: its stock summary, what its results file held and
// its tables folder.
struct FullRun {
  std::vector<SummaryYear> years;
  std::string tables;
  std::shared_ptr<const ResultsRecord> record;
};

// The most peels the analysis years allow: every peel keeps at least the first year. Zero when
// the first or last year of the analysis is not a number.
int most_peels(const FieldTexts& texts);

// Runs the retrospective in `workdir`. Without `full`, the assessment with `texts` and the run
// keys `keys` is run first, in a fresh session as at a program start, writing its files into the
// working directory; the peels take the same keys. The
// peels run on all cores. `quit` set by the window makes every run unwind at its next yield
// point; `peel_done` is called, on a computing thread, as each peel ends.
RetroOutcome run_retrospective(const FieldTexts& texts, const RunKeys& keys,
                               const std::string& workdir, int peels,
                               const FullRun* full, const std::atomic<bool>& quit,
                               const std::function<void()>& peel_done);

// Leave one out in `workdir`: the runs without each tuning series of the fields, against `full`,
// or against a full run made first as run_retrospective makes it; `run_done` is called, on a
// computing thread, as each run ends.
RetroOutcome run_leave_out(const FieldTexts& texts, const RunKeys& keys,
                           const std::string& workdir, const FullRun* full,
                           const std::atomic<bool>& quit, const std::function<void()>& run_done);

}  // namespace quorvane::app
