#include "app/retrospective_job.h"

#include <algorithm>
#include <memory>
#include <optional>

#include "base/host.h"
#include "data/age_year_file.h"
#include "run/start.h"
#include "run/threads.h"
#include "state/run_state.h"

namespace quorvane::app {

namespace {

// A run without windows: the bootstrap question gets the default No, and the window's
// "Quit session" reaches the run at its yield point.
class QuietHost : public Host {
 public:
  QuietHost(const std::atomic<bool>& quit, std::function<void()> ended)
      : quit_(quit), ended_(std::move(ended)) {}

  UserRequest yield() override { return quit_.load() ? UserRequest::Quit : UserRequest::None; }
  void run_ended(const std::string&) override {
    if (ended_) ended_();
  }

 private:
  const std::atomic<bool>& quit_;
  std::function<void()> ended_;
};

// The full run, in a fresh session in the working directory. Empty summary when it failed.
FullRun run_full(const FieldTexts& texts, const RunKeys& keys, const std::string& workdir,
                 const std::atomic<bool>& quit, RetroOutcome& outcome) {
  RunState state;
  state.workdir = workdir;
  apply_run_keys(keys, state);
  QuietHost host(quit, {});
  const RunOutcome run = run_start(state, host, texts);
  FullRun full;
  if (run.status != RunStatus::Completed) {
    outcome.problem = run.message;
  } else if (!state.results_record || !state.results_record->complete ||
             state.results_record->stopped) {
    outcome.quit = quit.load();
    if (!outcome.quit) outcome.problem = "the run did not reach its end";
  } else {
    full.years = state.results_record->years;
    full.tables = run.tables.folder;
    full.record = state.results_record;
  }
  return full;
}

// The full run an analysis is set against: `full` when given, else one made now into `fresh`.
// Null when that run failed or was ended; the outcome then says why. Names its tables folder.
const FullRun* full_run_for(const FullRun* full, FullRun& fresh, const FieldTexts& texts,
                            const RunKeys& keys, const std::string& workdir,
                            const std::atomic<bool>& quit, RetroOutcome& outcome) {
  if (full == nullptr) {
    fresh = run_full(texts, keys, workdir, quit, outcome);
    if (fresh.years.empty()) return nullptr;
    full = &fresh;
  }
  outcome.tables = full->tables;
  return full;
}

}  // namespace

int most_peels(const FieldTexts& texts) {
  const std::optional<double> first = parse_number(texts[FieldId::FirstYear]);
  const std::optional<double> last = parse_number(texts[FieldId::LastYear]);
  if (!first || !last || *last <= *first) return 0;
  return static_cast<int>(std::min(*last - *first, 1000.0));
}

RetroOutcome run_retrospective(const FieldTexts& texts, const RunKeys& keys,
                               const std::string& workdir, int peels,
                               const FullRun* full, const std::atomic<bool>& quit,
                               const std::function<void()>& peel_done) {
  RetroOutcome outcome;
  outcome.fbar_ages = keys.fbar;
  FullRun fresh;
  full = full_run_for(full, fresh, texts, keys, workdir, quit, outcome);
  if (full == nullptr) return outcome;

  const auto cores = static_cast<unsigned>(thread_count(0));
  RetroResult retro = quorvane::run_retrospective(
      workdir, texts, peels, cores, *full->record,
      [&](int, const RunState&) { return std::make_unique<QuietHost>(quit, peel_done); },
      [&quit] { return quit.load(); }, {}, keys);
  outcome.quit = retro.cancelled;
  outcome.problem = std::move(retro.problem);
  outcome.peels = std::move(retro.peels);
  outcome.rho = std::move(retro.rho);
  outcome.hindcast = hindcast_line(retro.hindcast_scores, *full->record);
  outcome.folder = std::move(retro.folder);
  return outcome;
}

RetroOutcome run_leave_out(const FieldTexts& texts, const RunKeys& keys,
                           const std::string& workdir, const FullRun* full,
                           const std::atomic<bool>& quit, const std::function<void()>& run_done) {
  RetroOutcome outcome;
  outcome.fbar_ages = keys.fbar;
  FullRun fresh;
  full = full_run_for(full, fresh, texts, keys, workdir, quit, outcome);
  if (full == nullptr) return outcome;
  outcome.full = full->years;

  const auto cores = static_cast<unsigned>(thread_count(0));
  LeaveOutResult result = quorvane::run_leave_out(
      workdir, texts, cores, full->years,
      [&](int, const RunState&) { return std::make_unique<QuietHost>(quit, run_done); },
      [&quit] { return quit.load(); }, {}, keys);
  outcome.quit = result.cancelled;
  outcome.problem = std::move(result.problem);
  outcome.without = std::move(result.runs);
  outcome.folder = std::move(result.folder);
  return outcome;
}

}  // namespace quorvane::app
