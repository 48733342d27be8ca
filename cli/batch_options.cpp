#include "cli/batch_options.h"

#include <algorithm>
#include <filesystem>
#include <string_view>

#include "data/age_year_file.h"
#include "run/fields_file.h"

namespace quorvane {

const char* const kBatchUsage =
    "Usage: quorvane-batch [--workdir DIR] [--fields FILE] [--set TextN=VALUE]...\n"
    "                      [--bootstrap N] [--stop-at-call K] [--stop-after-seconds S]\n"
    "                      [--restart-answer 1|2] [--no-tables] [--retro N] [--threads N]\n"
    "                      [--quiet] [--help]\n"
    "\n"
    "Runs one assessment without windows, as the START button does, with every field at its\n"
    "default text unless changed here.\n"
    "\n"
    "  --workdir DIR         working directory: input file names are relative to it and every\n"
    "                        output file is written into it (default: the current directory)\n"
    "  --fields FILE         read field texts from lines name=value or TextN=value ('#' starts a comment)\n"
    "  --set NAME=VALUE      set one field, by name or as TextN; may repeat; later settings win\n"
    "  --list-fields         list every field: name, TextN, label, default, allowed values\n"
    "  --format table|csv    the form of --list-fields (default: table)\n"
    "  --bootstrap N         answer Yes to the bootstrap question, with N runs (default: No)\n"
    "  --stop-at-call K      press STOP at the K-th cohort computation since START\n"
    "  --stop-after-seconds S\n"
    "                        press STOP at the first cohort computation after S seconds of\n"
    "                        computation (a way out of a run whose loss never settles)\n"
    "  --restart-answer R    answer to the restart question after a stopped bootstrap run:\n"
    "                        1 restart it, 2 stop (default 1)\n"
    "  --no-tables           write no tidy tables (CSV files in RESULTS.tables/ beside the\n"
    "                        results file)\n"
    "  --retro N             after the run, a retrospective analysis: the run repeated with\n"
    "                        its last 1..N years removed, each in retro/peelK/, with\n"
    "                        retro/retro.csv and Mohn's rho in retro/retro_rho.csv\n"
    "  --threads N           run the bootstrap runs and the peels on N threads (default: one\n"
    "                        per core; the files written are the same for any N)\n"
    "  --quiet               no progress line on standard error (shown only on a terminal)\n"
    "  --help                show this text\n"
    "\n"
    "Exit status: 0 the run completed (also when stopped), 2 bad usage or settings rejected\n"
    "before the run, 1 an input file or the arithmetic failed.\n";

namespace {

// A whole number of at least `least`, written as plain digits.
long whole_at_least(std::string_view option, std::string_view text, long least) {
  long v = 0;
  bool ok = !text.empty() && text.size() <= 9;
  for (char c : text) {
    if (c < '0' || c > '9') ok = false;
    v = v * 10 + (c - '0');
  }
  if (!ok || v < least) {
    throw UsageError(std::string(option) + " needs a whole number of at least " +
                     std::to_string(least) + ", not '" + std::string(text) + "'");
  }
  return v;
}

}  // namespace

BatchOptions parse_batch_options(int argc, const char* const* argv) {
  BatchOptions o;
  for (int i = 0; i < argc; ++i) {
    std::string_view arg = argv[i];
    std::string_view value;
    bool has_value = false;
    // Both "--option VALUE" and "--option=VALUE".
    if (const std::size_t eq = arg.find('=');
        arg.starts_with("--") && eq != std::string_view::npos) {
      value = arg.substr(eq + 1);
      arg = arg.substr(0, eq);
      has_value = true;
    }
    const auto take_value = [&]() -> std::string_view {
      if (has_value) return value;
      if (i + 1 >= argc) throw UsageError(std::string(arg) + " needs a value");
      return argv[++i];
    };
    if (arg == "--help" || arg == "-h") {
      o.help = true;
    } else if (arg == "--list-fields") {
      o.list_fields = true;
    } else if (arg == "--format") {
      const std::string_view format = take_value();
      if (format != "table" && format != "csv") {
        throw UsageError("--format needs table or csv, not '" + std::string(format) + "'");
      }
      o.list_format = format == "csv" ? FieldListFormat::Csv : FieldListFormat::Table;
    } else if (arg == "--workdir") {
      o.workdir = std::string(take_value());
    } else if (arg == "--fields") {
      read_fields_file(std::string(take_value()), o.texts);
    } else if (arg == "--set") {
      apply_field_line(o.texts, take_value(), "--set");
    } else if (arg == "--bootstrap") {
      o.bootstrap_runs = whole_at_least(arg, take_value(), 1);
    } else if (arg == "--stop-at-call") {
      o.stop_at_call = whole_at_least(arg, take_value(), 1);
    } else if (arg == "--stop-after-seconds") {
      const std::string_view text = take_value();
      const std::optional<double> seconds = parse_number(text);
      if (!seconds || *seconds < 0) {
        throw UsageError("--stop-after-seconds needs a number of seconds of at least 0, not '" +
                         std::string(text) + "'");
      }
      o.stop_after_seconds = seconds;
    } else if (arg == "--no-tables") {
      o.tables = false;
    } else if (arg == "--threads") {
      constexpr long kMostThreads = 256;
      o.threads = static_cast<int>(std::min(whole_at_least(arg, take_value(), 1), kMostThreads));
    } else if (arg == "--quiet") {
      o.quiet = true;
    } else if (arg == "--retro") {
      // More peels than the tables hold years could never all run.
      constexpr long kMostPeels = 59;
      const long peels = whole_at_least(arg, take_value(), 1);
      if (peels > kMostPeels) {
        throw UsageError("--retro needs at most " + std::to_string(kMostPeels) + " peels, not " +
                         std::to_string(peels));
      }
      o.retro = static_cast<int>(peels);
    } else if (arg == "--restart-answer") {
      const std::string_view r = take_value();
      if (r != "1" && r != "2") {
        throw UsageError("--restart-answer needs 1 or 2, not '" + std::string(r) + "'");
      }
      o.restart_answer = r == "1" ? 1 : 2;
    } else {
      throw UsageError("unknown argument '" + std::string(argv[i]) + "'");
    }
  }
  if (!o.help && !o.list_fields) {
    std::error_code ec;
    if (o.workdir.empty() || !std::filesystem::is_directory(o.workdir, ec)) {
      throw UsageError("the working directory '" + o.workdir + "' does not exist");
    }
  }
  return o;
}

}  // namespace quorvane
