// quorvane-batch: one run as the START button starts it, without windows. Prints a short
// summary on standard output, and on failure one line on standard error.
#include <cstdio>
#include <exception>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/errors.h"
#include "cli/batch_host.h"
#include "cli/batch_options.h"
#include "cli/interrupt.h"
#include "cli/leave_out_command.h"
#include "cli/progress_line.h"
#include "cli/retro_command.h"
#include "data/age_year_file.h"
#include "report/results_record.h"
#include "report/stock_status.h"
#include "report/version.h"
#include "run/independent_bootstrap.h"
#include "run/scan_edges.h"
#include "run/start.h"
#include "run/workdir_lock.h"
#include "state/message_text.h"
#include "state/run_state.h"

namespace fs = std::filesystem;
using namespace quorvane;

namespace {

constexpr int kExitCompleted = 0;
constexpr int kExitFailed = 1;
constexpr int kExitRejected = 2;

// The files a run may write into the working directory, besides the results file.
constexpr const char* kRunFiles[] = {
    "minim.out",   "bootS1.out", "bootS2.out", "bootf.out",     "bootTSB.out", "bootNtrm.out",
    "bootSSB.out", "bootm.out",  "aged1.tmp",  "aged2.tmp",     "aged3.tmp",   "aged4.tmp",
    "aged5.tmp",   "aged6.tmp",  "aged7.tmp",  "bootfailed.out"};

struct FileStamp {
  fs::file_time_type time;
  std::uintmax_t size;
  bool operator==(const FileStamp&) const = default;
};

std::optional<FileStamp> stamp(const std::string& path) {
  std::error_code ec;
  if (!fs::is_regular_file(path, ec)) return std::nullopt;
  const auto time = fs::last_write_time(path, ec);
  if (ec) return std::nullopt;
  const auto size = fs::file_size(path, ec);
  if (ec) return std::nullopt;
  return FileStamp{time, size};
}

// Which of the output files the run created or changed: their stamps before and after.
class OutputFiles {
 public:
  OutputFiles(const std::string& workdir, const std::string& results_name) {
    names_.push_back(results_name);
    names_.insert(names_.end(), std::begin(kRunFiles), std::end(kRunFiles));
    for (const std::string& n : names_) before_[n] = stamp(resolve_path(workdir, n));
    workdir_ = workdir;
  }

  std::vector<std::string> written() const {
    std::vector<std::string> list;
    for (const std::string& n : names_) {
      const std::optional<FileStamp> now = stamp(resolve_path(workdir_, n));
      if (now && (!before_.at(n) || !(*before_.at(n) == *now))) list.push_back(n);
    }
    return list;
  }

 private:
  std::string workdir_;
  std::vector<std::string> names_;
  std::map<std::string, std::optional<FileStamp>> before_;
};

void print_summary(const RunState& s, const BatchOptions& o, const RunOutcome& outcome,
                   const std::vector<std::string>& written) {
  std::string dir = fs::absolute(o.workdir).lexically_normal().string();
  if (dir.size() > 1 && dir.back() == '/') dir.pop_back();
  std::printf("Working directory: %s\n", dir.c_str());
  if (outcome.status == RunStatus::Completed) {
    std::printf("Read C(a,y) %s: ages %s-%s, years %s-%s\n", s.AnamefileC.c_str(),
                label_text(s.firstage).c_str(), label_text(s.lastage).c_str(),
                label_text(s.firstyear).c_str(), label_text(s.lastyear).c_str());
    std::printf("Read W(a,y) %s, M(a,y) %s\n", s.AnamefileW.c_str(), s.AnamefileM.c_str());
    if (holds(s.indssb, YesNo::Yes)) {
      for (int k = 1; k <= s.totalinds; ++k) {
        std::printf("Read SSB survey %d %s\n", k,
                    s.Anamefile[static_cast<std::size_t>(8 + k)].c_str());
      }
    }
    std::printf("Analysis: ages %s-%s, years %s-%s\n", label_text(s.age_label(s.agemin)).c_str(),
                label_text(s.age_label(s.agemax)).c_str(),
                label_text(s.year_label(s.yearmin)).c_str(),
                label_text(s.year_label(s.yearmax)).c_str());
  }
  std::printf("Files written:");
  if (written.empty()) std::printf(" none");
  for (const std::string& n : written) std::printf(" %s", n.c_str());
  std::printf("\n");
  if (outcome.status != RunStatus::Completed) return;
  // The main fit as the results file holds it: after a bootstrap the run state holds the last
  // bootstrap run's fit instead.
  if (const ResultsRecord* fit = s.results_record.get(); fit && fit->complete) {
    std::printf("Total loss SSEALL: %s\n", label_text(fit->total_loss).c_str());
    std::printf("Terminal f: %s\n", label_text(fit->terminal_f).c_str());
    if (fit->m) std::printf("Natural mortality M: %s\n", label_text(*fit->m).c_str());
    if (fit->alfa) std::printf("ALFA of M(a): %s\n", label_text(*fit->alfa).c_str());
    for (const std::string& note : scan_edge_notes(s, *fit)) std::printf("%s\n", note.c_str());
    if (const std::string status = stock_status_line(*fit, s.reference); !status.empty())
      std::printf("%s\n", status.c_str());
    if (o.bootstrap_runs) {
      std::printf("Bootstrap: %zu of %ld runs finished\n", fit->bootstrap.size(),
                  *o.bootstrap_runs);
    }
  }
}

int run(int argc, char** argv) {
  BatchOptions options;
  try {
    options = parse_batch_options(argc - 1, argv + 1);
  } catch (const UsageError& e) {
    std::fprintf(stderr, "quorvane-batch: %s (see --help)\n", message_line(e.what()).c_str());
    return kExitRejected;
  } catch (const SettingsError& e) {
    std::fprintf(stderr, "quorvane-batch: %s\n", message_line(e.what()).c_str());
    return kExitRejected;
  }
  if (options.help) {
    std::fputs(kBatchUsage, stdout);
    return kExitCompleted;
  }
  if (options.list_fields) {
    std::fputs(field_list_text(options.list_format).c_str(), stdout);
    return kExitCompleted;
  }
  if (options.version) {
    std::fputs(version_text("quorvane-batch").c_str(), stdout);
    return kExitCompleted;
  }

  install_interrupt_handlers();
  std::optional<WorkdirLock> lock;
  try {
    lock.emplace(options.workdir);
  } catch (const SettingsError& e) {
    std::fprintf(stderr, "quorvane-batch: %s\n", message_line(e.what()).c_str());
    return kExitRejected;
  }
  // The run state is large; it lives on the heap as it lives for a whole session in the window.
  auto state = std::make_unique<RunState>();
  state->workdir = options.workdir;
  state->bootstrap_threads = static_cast<std::int16_t>(options.threads);
  apply_bootstrap_options(options, *state);
  BatchHost host(options.bootstrap_runs, options.stop_at_call, options.restart_answer,
                 options.stop_after_seconds);
  const OutputFiles outputs(options.workdir, options.texts[FieldId::ResultsFile]);

  ProgressLine line(ProgressLine::kind_for(options.quiet));
  MainRunProgress progress(host, *state, line);
  const RunOutcome outcome =
      run_start(*state, progress, options.texts, RunOptions{.tables = options.tables});
  if (outcome.status == RunStatus::SettingsRejected) {
    std::fprintf(stderr, "quorvane-batch: %s\n", outcome.message.c_str());
    return kExitRejected;
  }
  print_summary(*state, options, outcome, outputs.written());
  if (!outcome.tables.folder.empty()) {
    std::printf("Tables: %s\n", fs::absolute(outcome.tables.folder).lexically_normal().c_str());
  }
  bool extras_written = outcome.tables.problem.empty();
  if (!extras_written) {
    std::fflush(stdout);
    std::fprintf(stderr, "quorvane-batch: %s\n", outcome.tables.problem.c_str());
  }
  if (outcome.tables.forecast_failed) {
    std::fflush(stdout);
    std::fprintf(stderr, "quorvane-batch: %s\n", outcome.tables.forecast.c_str());
    extras_written = false;
  } else if (!outcome.tables.forecast.empty()) {
    std::printf("%s\n", outcome.tables.forecast.c_str());
    for (const std::string* line : {&outcome.tables.per_recruit, &outcome.tables.equilibrium,
                                    &outcome.tables.stochastic_equilibrium}) {
      if (!line->empty()) std::printf("%s\n", line->c_str());
    }
  }
  if (outcome.tables.forecast.empty() && !outcome.tables.stochastic_equilibrium.empty()) {
    std::printf("%s\n", outcome.tables.stochastic_equilibrium.c_str());
  }
  if (const std::string line = bootstrap_summary(*state); !line.empty()) {
    std::printf("%s\n", line.c_str());
  }
  if (const ResultsRecord* fit = state->results_record.get(); fit && fit->complete) {
    if (const std::string note = bootstrap_edge_note(*state, *fit); !note.empty()) {
      std::printf("%s\n", note.c_str());
    }
  }
  if (options.retro > 0 && outcome.status != RunStatus::Completed) {
    std::printf("No retrospective: the run failed before its end\n");
  }
  if (options.retro > 0 && outcome.status == RunStatus::Completed) {
    const ResultsRecord* full = state->results_record.get();
    if (full && full->complete && !full->stopped) {
      extras_written = run_retro_command(options, *full, line) && extras_written;
    } else {
      std::printf("No retrospective: the run was stopped before its end\n");
    }
  }
  if (options.leave_out) {
    const ResultsRecord* full = state->results_record.get();
    if (outcome.status != RunStatus::Completed) {
      std::printf("No leave one out: the run failed before its end\n");
    } else if (full && full->complete && !full->stopped) {
      extras_written = run_leave_out_command(options, *full, line) && extras_written;
    } else {
      std::printf("No leave one out: the run was stopped before its end\n");
    }
  }
  if (outcome.status != RunStatus::Completed) {
    std::fflush(stdout);
    std::fprintf(stderr, "quorvane-batch: %s\n", outcome.message.c_str());
  }
  // Ended by SIGINT or SIGTERM: the shell's status of a program that a signal ended.
  if (const int sig = interrupt_signal(); sig != 0) return 128 + sig;
  if (outcome.status != RunStatus::Completed) return kExitFailed;
  return extras_written ? kExitCompleted : kExitFailed;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    return run(argc, argv);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "quorvane-batch: %s\n", message_line(e.what()).c_str());
    return kExitFailed;
  }
}
