#include "run/variant_runs.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <filesystem>
#include <system_error>
#include <thread>

#include "base/errors.h"
#include "run/scan_edges.h"

namespace quorvane {

namespace {

// From retro/peelK/ or leave_out/fleetK/ back to the working directory, where the input files are.
constexpr const char* kBackToWorkdir = "../../";

// An input file's name as a run sees it from its own folder; an absolute name stands as given.
std::string seen_from_variant(const std::string& name) {
  return name.empty() || name.front() == '/' ? name : kBackToWorkdir + name;
}

VariantRun run_variant(int k, const VariantFolder& folder_of, const VariantFields& fields_of,
                       const VariantHostFactory& make_host, const RunOptions& options,
                       const RunKeys& keys) {
  VariantRun result;
  try {
    result.folder = folder_of(k);
    const FieldTexts fields = fields_of(k);
    std::filesystem::create_directories(result.folder);
    // A fresh session: a new run state, as at a program start.
    auto state = std::make_unique<RunState>();
    state->workdir = result.folder;
    // F-bar over the main run's ages and the stock weights from the same file; a forecast from
    // each of these runs was not asked for.
    RunKeys own_keys = keys;
    own_keys.forecast = false;
    if (own_keys.stock_weight_file)
      own_keys.stock_weight_file = seen_from_variant(*own_keys.stock_weight_file);
    apply_run_keys(own_keys, *state);
    const std::unique_ptr<Host> host = make_host ? make_host(k, *state) : std::make_unique<Host>();
    result.outcome = run_start(*state, *host, fields, options);
    if (state->results_record && state->results_record->complete) {
      result.years = state->results_record->years;
      result.terminal_f = state->results_record->terminal_f;
      result.edge_notes = scan_edge_notes(*state, *state->results_record);
      result.record = state->results_record;
    }
  } catch (const SettingsError& e) {
    result.outcome = {RunStatus::SettingsRejected, e.what()};
  } catch (const std::exception& e) {
    // The run's folder could not be made, or memory ran out: this run fails, the others run.
    result.outcome = {RunStatus::InputFailed, e.what()};
  }
  return result;
}

}  // namespace

FieldTexts fields_seen_from_variant(FieldTexts texts) {
  for (const Field& f : kFields) {
    if (f.kind == FieldKind::Text && f.id != FieldId::ResultsFile)
      texts[f.id] = seen_from_variant(texts[f.id]);
  }
  return texts;
}

std::vector<VariantRun> run_variants(int count, const VariantFolder& folder_of,
                                     const VariantFields& fields_of, unsigned threads,
                                     const VariantHostFactory& make_host, const RunOptions& options,
                                     const RunKeys& keys) {
  std::vector<VariantRun> results(static_cast<std::size_t>(std::max(count, 0)));
  std::atomic<int> next{1};
  const auto worker = [&] {
    for (int k; (k = next.fetch_add(1)) <= count;) {
      results[static_cast<std::size_t>(k - 1)] =
          run_variant(k, folder_of, fields_of, make_host, options, keys);
    }
  };
  const unsigned helpers_wanted =
      std::max(1u, std::min(threads, static_cast<unsigned>(std::max(count, 1))));
  {
    std::vector<std::jthread> helpers;
    // A system that refuses another thread leaves the runs to the threads there are; this one
    // works through them all if need be.
    try {
      for (unsigned i = 1; i < helpers_wanted; ++i) helpers.emplace_back(worker);
    } catch (const std::system_error&) {
    }
    worker();
  }  // the helpers are joined here
  return results;
}

}  // namespace quorvane
