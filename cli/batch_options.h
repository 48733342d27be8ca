// The command line of quorvane-batch, the headless START:
//
//   quorvane-batch [--workdir DIR] [--fields FILE] [--set TextN=VALUE]... [--bootstrap N]
//                  [--stop-at-call K] [--stop-after-seconds S] [--restart-answer 1|2]
//                  [--no-tables] [--retro N] [--threads N] [--quiet] [--help] [--version]
//                  [--bootstrap-kind independent|chained] [--seed N] [--replicates A-B]
//                  [--fbar A-B] [--forecast] [--leave-out]
//
//   quorvane-batch --list-fields [--format table|csv]
//
// A fields file may also hold "fbar = A-B", "units_numbers = TEXT", "units_weight = TEXT" and
// "bootstrap_kind = chained|independent".
//
// Every field starts with its default text; --fields and --set change fields in the order they
// are given, later ones winning.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "base/command_line.h"
#include "run/field_list.h"
#include "run/run_keys.h"
#include "run/settings.h"

namespace quorvane {

struct BatchOptions {
  std::string workdir = ".";
  FieldTexts texts = default_field_texts();
  std::optional<long> bootstrap_runs;  // --bootstrap N: answer Yes with N runs
  long stop_at_call = -1;              // --stop-at-call K: STOP at the K-th cohort computation
  std::optional<double> stop_after_seconds;  // --stop-after-seconds S: STOP after S seconds
  int restart_answer = 1;                    // --restart-answer R
  bool tables = true;                        // --no-tables: no tidy tables beside the results
  int retro = 0;                             // --retro N: a retrospective of N peels
  bool leave_out = false;  // --leave-out: the run again without each tuning series
  int threads = 0;         // --threads N: bootstrap runs and peels on N threads; 0 every core
  bool quiet = false;      // --quiet: no progress line on a terminal
  BootstrapKind bootstrap_kind = BootstrapKind::Chained;  // --bootstrap-kind
  std::optional<std::uint32_t> seed;                      // --seed N
  int first_replicate = 0, last_replicate = 0;            // --replicates A-B
  // The fields file's "fbar = A-B" (or --fbar A-B), "units_numbers = ..." and
  // "units_weight = ...".
  RunKeys keys;
  bool help = false;
  bool list_fields = false;  // --list-fields: print every field and exit
  FieldListFormat list_format = FieldListFormat::Table;  // --format table|csv
  bool version = false;
};

extern const char* const kBatchUsage;

// Parses the arguments after the program name. UsageError for an unknown option, a missing or
// bad value or a working directory that does not exist; SettingsError for a fields file that
// cannot be read or a field assignment that is not name=value.
BatchOptions parse_batch_options(int argc, const char* const* argv);

// The bootstrap's kind, seed and replicates, the F-bar ages and the units into a fresh run state.
void apply_bootstrap_options(const BatchOptions& o, RunState& s);

}  // namespace quorvane
