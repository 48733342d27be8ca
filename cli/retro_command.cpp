#include "cli/retro_command.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>

#include "data/age_year_file.h"
#include "run/retrospective.h"
#include "run/threads.h"

namespace quorvane {

namespace {

std::string absolute(const std::string& path) {
  return std::filesystem::absolute(path).lexically_normal().string();
}

}  // namespace

bool run_retro_command(const BatchOptions& options, const ResultsRecord& full, ProgressLine& line) {
  const auto cores = static_cast<unsigned>(thread_count(options.threads));
  VariantsProgress progress("retrospective", "peel", options.retro, line.now());
  const RetroResult retro = run_retrospective(
      options.workdir, options.texts, options.retro, cores, full,
      [&](int k, const RunState& s) -> std::unique_ptr<Host> {
        return std::make_unique<VariantProgress>(k, s, line, progress);
      },
      {}, RunOptions{.tables = options.tables}, options.keys);
  line.clear();

  const std::vector<PeelResult>& peels = retro.peels;
  const std::string& folder = retro.folder;
  std::printf("Retrospective: %d peel%s in %s\n", options.retro, options.retro == 1 ? "" : "s",
              absolute(folder).c_str());
  for (const PeelResult& p : peels) {
    if (p.outcome.status == RunStatus::Completed && !p.years.empty()) {
      std::printf("Peel %d (last year %.15g): %s\n", p.peel, p.years.back().year,
                  absolute(resolve_path(p.folder, options.texts[FieldId::ResultsFile])).c_str());
      for (const std::string& note : p.edge_notes)
        std::printf("Peel %d: %s\n", p.peel, note.c_str());
    } else {
      std::printf("Peel %d: %s\n", p.peel, p.outcome.message.c_str());
    }
  }
  const std::vector<RetroRho>& rho = retro.rho;
  const auto ran = std::count_if(peels.begin(), peels.end(), [](const PeelResult& p) {
    return p.outcome.status == RunStatus::Completed && !p.years.empty();
  });
  std::printf("%s\n",
              mohns_rho_line(rho, static_cast<int>(ran), options.retro, options.keys.fbar).c_str());
  if (!retro.problem.empty()) {
    std::fflush(stdout);
    std::fprintf(stderr, "quorvane-batch: %s\n", retro.problem.c_str());
    return false;
  }
  const std::string hindcast = hindcast_line(retro.hindcast_scores, full);
  if (!hindcast.empty()) std::printf("%s\n", hindcast.c_str());
  std::printf("Retrospective tables: %s, %s", absolute(folder + "/retro.csv").c_str(),
              absolute(folder + "/retro_rho.csv").c_str());
  if (!full.surveys.empty()) {
    std::printf(", %s, %s", absolute(folder + "/hindcast.csv").c_str(),
                absolute(folder + "/hindcast_mase.csv").c_str());
  }
  std::printf("\n");
  // A peel that the data cannot support is reported and the others count; but a peel that
  // could not write its files, or a retrospective without a single peel, has failed.
  const bool unwritten = std::any_of(peels.begin(), peels.end(), [](const PeelResult& p) {
    return p.outcome.status == RunStatus::InputFailed;
  });
  return ran > 0 && !unwritten;
}

}  // namespace quorvane
