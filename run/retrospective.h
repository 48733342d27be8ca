// Retrospective analysis: the assessment repeated with its last 1..N years removed ("peels"),
// to see whether the estimates of a year shift systematically as later years are added.
//
// Peel k changes two fields and nothing else: the last year of the analysis (Text9) is lowered
// by k, and the last year of the first selectivity period (Text10) is capped at it. Each peel is
// a run beside the main one (run/variant_runs.h) in retro/peelK/ under the working directory.
//
// Mohn's rho of a quantity X over the peels k that ran, with Y_k the last year of peel k:
//   rho = (1/n) sum_k (X_k(Y_k) - X_full(Y_k)) / X_full(Y_k)
// for SSB, mean F, recruitment and F-bar; a peel whose full-run value is 0 is left out. The peels
// take the run's own keys (F-bar ages, units, reference points) but make no forecast.
#pragma once

#include <array>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "report/results_record.h"
#include "run/hindcast.h"
#include "run/run_keys.h"
#include "run/settings.h"
#include "run/start.h"
#include "run/variant_runs.h"

namespace quorvane {

// The fields of peel k (k >= 1). SettingsError naming the field when Text9 is not a number.
FieldTexts peel_fields(const FieldTexts& texts, int k);

// The working directory of peel k: "<workdir>/retro/peel<k>".
std::string peel_folder(const std::string& workdir, int k);

// One peel, after its run.
struct PeelResult : VariantRun {
  int peel = 0;
};

// Makes the host of peel k, which computes on `state`; called on the thread that runs the peel.
using PeelHostFactory = VariantHostFactory;

// Runs peels 1..peels on up to `threads` threads (at least one), each peel in a fresh run state
// with its own host and the run keys `keys` (without their forecast). A peel that fails is
// reported by its outcome; the others still run.
std::vector<PeelResult> run_peels(const std::string& workdir, const FieldTexts& texts, int peels,
                                  unsigned threads, const PeelHostFactory& make_host,
                                  const RunOptions& options = {}, const RunKeys& keys = {});

// One term of Mohn's rho: a peel's estimate for its last year and the full run's for that year.
struct RhoTerm {
  double peel = 0;
  double full = 0;
};

// The mean relative difference of the terms; terms whose full value is 0 are left out. Empty
// when no term is left.
std::optional<double> mohns_rho(std::span<const RhoTerm> terms);

struct RetroRho {
  std::string quantity;  // "ssb", "mean_f", "recruitment", "fbar"
  std::optional<double> rho;
  int peels = 0;  // the peels it was computed from
};

// Mohn's rho of SSB, mean F, recruitment and F-bar (in this order) from the full run's summary and
// the peels that ran.
std::vector<RetroRho> retro_rho(const std::vector<SummaryYear>& full,
                                const std::vector<PeelResult>& peels);

// "Mohn's rho: SSB -0.1167, mean F 0.2333, recruitment 0.05 (from 3 of 4 peels)", with F-bar
// after recruitment ("F-bar 3-7 0.2") when its ages were chosen: over every age it is the mean F.
// A rho that could not be computed reads "none".
std::string mohns_rho_line(const std::vector<RetroRho>& rho, int ran, int peels,
                           const std::optional<std::array<int, 2>>& fbar_ages);

// Writes retro.csv (peel, year, ssb, f, mean_f, recruitment, fbar; peel 0 is the full run) and
// retro_rho.csv (quantity, rho, peels) into `folder`. InputError when a file cannot be written.
void write_retro_tables(const std::string& folder, const std::vector<SummaryYear>& full,
                        const std::vector<PeelResult>& peels, const std::vector<RetroRho>& rho);

// What a retrospective left behind.
struct RetroResult {
  std::vector<PeelResult> peels;
  std::vector<RetroRho> rho;  // ssb, mean_f, recruitment, fbar
  // The peels' predictions of the surveys of the year after their data, and their skill; none
  // when the run has no survey.
  std::vector<HindcastPoint> hindcast;
  std::vector<HindcastScore> hindcast_scores;
  std::string folder;      // retro/ under the working directory
  std::string problem;     // one line when a table could not be written
  bool cancelled = false;  // the cancel test ended it after the peels: no rho, no tables
};

// The whole retrospective against the full run `full`: the peels (as run_peels), then, unless
// `cancelled` says so, Mohn's rho, the hindcast of the surveys and the tables in retro/ under
// `workdir`. An empty cancel test never cancels. `keys` are the full run's, so that its F-bar and
// the peels' are over the same ages.
RetroResult run_retrospective(const std::string& workdir, const FieldTexts& texts, int peels,
                              unsigned threads, const ResultsRecord& full,
                              const PeelHostFactory& make_host, const CancelTest& cancelled = {},
                              const RunOptions& options = {}, const RunKeys& keys = {});

}  // namespace quorvane
