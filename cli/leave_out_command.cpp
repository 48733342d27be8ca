#include "cli/leave_out_command.h"

#include <algorithm>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <string>

#include "data/age_year_file.h"
#include "run/leave_out.h"
#include "run/threads.h"

namespace quorvane {

namespace {

std::string absolute(const std::string& path) {
  return std::filesystem::absolute(path).lexically_normal().string();
}

bool fail(const std::string& message) {
  std::fflush(stdout);
  std::fprintf(stderr, "quorvane-batch: %s\n", message.c_str());
  return false;
}

}  // namespace

bool run_leave_out_command(const BatchOptions& options, const ResultsRecord& full,
                           ProgressLine& line) {
  const auto cores = static_cast<unsigned>(thread_count(options.threads));
  // The count of runs is known only once the fields are read; the progress learns it first.
  std::size_t series_count = 0;
  try {
    series_count = tuning_series(options.texts, options.workdir).size();
  } catch (const std::exception& e) {
    return fail(std::string("leave one out: ") + e.what());
  }
  if (series_count == 0) {
    return fail("no leave one out: the run uses no SSB survey and no aged fleet");
  }
  VariantsProgress progress("leave one out", "run", static_cast<int>(series_count), line.now());
  const LeaveOutResult result = run_leave_out(
      options.workdir, options.texts, cores, full.years,
      [&](int k, const RunState& s) -> std::unique_ptr<Host> {
        return std::make_unique<VariantProgress>(k, s, line, progress);
      },
      {}, RunOptions{.tables = options.tables}, options.keys);
  line.clear();

  std::printf("Leave one out: %zu run%s in %s\n", result.runs.size(),
              result.runs.size() == 1 ? "" : "s", absolute(result.folder).c_str());
  for (const LeaveOutRun& r : result.runs) {
    std::printf("%s\n", leave_out_line(full.years, r, options.keys.fbar).c_str());
    for (const std::string& note : r.edge_notes)
      std::printf("Without %s: %s\n", r.series.description().c_str(), note.c_str());
  }
  if (!result.problem.empty()) return fail(result.problem);
  std::printf("Leave-one-out tables: %s, %s\n", absolute(result.folder + "/leave_out.csv").c_str(),
              absolute(result.folder + "/leave_out_change.csv").c_str());
  // A run that the data cannot support is reported and the others count; a run that could not
  // write its files has failed.
  return std::none_of(result.runs.begin(), result.runs.end(), [](const LeaveOutRun& r) {
    return r.outcome.status == RunStatus::InputFailed;
  });
}

}  // namespace quorvane
