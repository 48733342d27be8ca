#include "cli/batch_options.h"

#include <algorithm>
#include <filesystem>
#include <string_view>

#include "base/errors.h"
#include "data/age_year_file.h"
#include "report/fbar.h"
#include "report/stochastic_equilibrium.h"
#include "run/bootstrap_kind.h"
#include "run/fields_file.h"

namespace quorvane {

const char* const kBatchUsage =
    "Usage: quorvane-batch [--workdir DIR] [--fields FILE] [--set TextN=VALUE]...\n"
    "                      [--bootstrap N] [--stop-at-call K] [--stop-after-seconds S]\n"
    "                      [--restart-answer 1|2] [--no-tables] [--retro N] [--threads N]\n"
    "                      [--quiet] [--help] [--version]\n"
    "                      [--bootstrap-kind independent|chained] [--seed N] [--replicates A-B]\n"
    "                      [--fbar A-B] [--forecast] [--equilibrium-simulations N]\n"
    "                      [--leave-out]\n"
    "\n"
    "Runs one assessment without windows, as the START button does, with every field at its\n"
    "default text unless changed here.\n"
    "\n"
    "  --workdir DIR         working directory: input file names are relative to it and every\n"
    "                        output file is written into it (default: the current directory)\n"
    "  --fields FILE         read field texts from lines name=value or TextN=value ('#' starts a "
    "comment)\n"
    "  --set NAME=VALUE      set one field, by name or as TextN; may repeat; later settings win\n"
    "  --list-fields         list every field: name, TextN, label, default, allowed values\n"
    "  --format table|csv    the form of --list-fields (default: table)\n"
    "  --bootstrap N         answer Yes to the bootstrap question, with N runs, 0 to 32767\n"
    "                        (default: No)\n"
    "  --stop-at-call K      press STOP at the K-th cohort computation since START\n"
    "  --stop-after-seconds S\n"
    "                        press STOP at the first cohort computation after S seconds of\n"
    "                        computation (a way out of a run whose loss never settles)\n"
    "  --restart-answer R    answer to the restart question after a stopped bootstrap run:\n"
    "                        1 restart it, 2 stop (default 1)\n"
    "  --no-tables           write no tidy tables (CSV files in RESULTS.tables/ beside the\n"
    "                        results file)\n"
    "  --retro N             after the run, a retrospective analysis: the run repeated with\n"
    "                        its last 1..N years removed, each in retro/peelK/ with the\n"
    "                        run's F-bar ages, with retro/retro.csv and Mohn's rho in\n"
    "                        retro/retro_rho.csv; with surveys, the peels' predictions of\n"
    "                        the next year's indices in retro/hindcast.csv and their skill\n"
    "                        (MASE) in retro/hindcast_mase.csv\n"
    "  --leave-out           after the run, the run repeated once without each SSB survey\n"
    "                        and aged fleet it uses, each in leave_out/ssbK/ or\n"
    "                        leave_out/fleetK/, with leave_out/leave_out.csv and the change\n"
    "                        of the last year's SSB, F-bar and recruitment in\n"
    "                        leave_out/leave_out_change.csv\n"
    "  --threads N           run the bootstrap runs and the peels on N threads (default: one\n"
    "                        per core; the files written are the same for any N)\n"
    "  --bootstrap-kind K    chained (default): each bootstrap run perturbs the data of the run\n"
    "                        before; independent: each replicate is drawn around the observed\n"
    "                        data with its own generator, a replicate that fails is listed in\n"
    "                        bootfailed.out and the others go on (a fields file may say\n"
    "                        bootstrap_kind = K; the later of the two holds)\n"
    "  --seed N              seed of the bootstrap's random numbers (default 5489)\n"
    "  --replicates A-B      independent bootstrap: compute replicates A..B only, with the\n"
    "                        numbers of a whole run; a part after the first writes no headers\n"
    "                        and no main-run lines, so that the parts concatenate\n"
    "  --fbar A-B            the ages of F-bar, the mean F in the tables and the F chart\n"
    "                        (default: every age of the analysis; a fields file may say\n"
    "                        fbar = A-B, units_numbers = TEXT and units_weight = TEXT, and\n"
    "                        the reference points blim, bpa, msy_btrigger, flim, fpa and\n"
    "                        fmsy = NUMBER)\n"
    "  --forecast            after the run, a short-term forecast from the main fit into\n"
    "                        forecast.csv and forecast_input.csv of the tables, with yield\n"
    "                        and SSB per recruit and F0.1, Fmax, F35%SPR, F40%SPR in\n"
    "                        per_recruit.csv, and the stock in equilibrium under the\n"
    "                        segmented regression of recruitment on SSB, with Fcrash, in\n"
    "                        equilibrium.csv (a fields file\n"
    "                        may say forecast = yes, forecast_mean_years = N,\n"
    "                        forecast_recruitment = A-B and forecast_intermediate_catch = C)\n"
    "  --equilibrium-simulations N\n"
    "                        with the forecast (which it turns on), N stocks (10 to 20000)\n"
    "                        simulated over 50 years at each F-bar with recruitment drawn\n"
    "                        around the segmented regression: the stochastic Fmsy, Fp.05 and\n"
    "                        Flim and how often SSB falls below Blim, in\n"
    "                        stochastic_equilibrium.csv (a fields file may say\n"
    "                        equilibrium_simulations = N, and equilibrium_f_cv = S and\n"
    "                        equilibrium_f_autocorrelation = R for the error of their F,\n"
    "                        equilibrium_advice_rule = yes to cut F below MSY Btrigger)\n"
    "  --quiet               no progress on standard error (on a terminal one line that\n"
    "                        rewrites itself; elsewhere a line as each bootstrap run starts\n"
    "                        and as each peel ends, and one at most every 10 seconds)\n"
    "  --help                show this text\n"
    "  --version             show the version and the compiler that built it\n"
    "\n"
    "Exit status: 0 the run completed (also when stopped), 2 bad usage or settings rejected\n"
    "before the run, 1 an input file or the arithmetic failed.\n";

namespace {

constexpr long kMostBootstrapRuns = 32767;

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
  CommandLine line(argc, argv);
  while (line.next()) {
    const std::string_view arg = line.arg();
    if (arg == "--help" || arg == "-h") {
      o.help = true;
    } else if (arg == "--list-fields") {
      o.list_fields = true;
    } else if (arg == "--format") {
      const std::string_view format = line.value();
      if (format != "table" && format != "csv") {
        throw UsageError("--format needs table or csv, not '" + std::string(format) + "'");
      }
      o.list_format = format == "csv" ? FieldListFormat::Csv : FieldListFormat::Table;
    } else if (arg == "--version") {
      o.version = true;
    } else if (arg == "--workdir") {
      o.workdir = std::string(line.value());
    } else if (arg == "--fields") {
      read_fields_file(std::string(line.value()), o.texts,
                       [&o](std::string_view name, std::string_view v, const std::string& where) {
                         if (name != kBootstrapKindKey) return take_run_key(o.keys, name, v, where);
                         o.bootstrap_kind = bootstrap_kind_of(v, where);
                         return true;
                       });
    } else if (arg == "--fbar") {
      const std::string_view range = line.value();
      o.keys.fbar = parse_age_range(range);
      if (!o.keys.fbar) {
        throw UsageError("--fbar needs a range of ages A-B, not '" + std::string(range) + "'");
      }
    } else if (arg == "--forecast") {
      o.keys.forecast = true;
    } else if (arg == "--equilibrium-simulations") {
      const long n = whole_at_least(arg, line.value(), kLeastSimulations);
      if (n > kMostSimulations) {
        throw UsageError(std::string(arg) + " needs at most " + std::to_string(kMostSimulations) +
                         " stocks, not " + std::to_string(n));
      }
      o.keys.equilibrium_simulations = static_cast<int>(n);
      o.keys.forecast = true;  // what the simulated stocks are made from
    } else if (arg == "--set") {
      apply_field_line(o.texts, line.value(), "--set");
    } else if (arg == "--bootstrap") {
      // 0 runs is a Yes with no perturbed run: the boot files then hold the main fit's line only.
      // The number of runs is a 16-bit setting; refused here, before the run touches a file.
      o.bootstrap_runs = whole_at_least(arg, line.value(), 0);
      if (*o.bootstrap_runs > kMostBootstrapRuns) {
        throw UsageError("--bootstrap needs at most " + std::to_string(kMostBootstrapRuns) +
                         " runs, not '" + std::to_string(*o.bootstrap_runs) + "'");
      }
    } else if (arg == "--stop-at-call") {
      o.stop_at_call = whole_at_least(arg, line.value(), 1);
    } else if (arg == "--stop-after-seconds") {
      const std::string_view text = line.value();
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
      o.threads = static_cast<int>(std::min(whole_at_least(arg, line.value(), 1), kMostThreads));
    } else if (arg == "--bootstrap-kind") {
      const std::string_view kind = line.value();
      const std::optional<BootstrapKind> named = bootstrap_kind_named(kind);
      if (!named) {
        throw UsageError("--bootstrap-kind needs independent or chained, not '" +
                         std::string(kind) + "'");
      }
      o.bootstrap_kind = *named;
    } else if (arg == "--seed") {
      o.seed = static_cast<std::uint32_t>(whole_at_least(arg, line.value(), 0));
    } else if (arg == "--replicates") {
      const std::string_view range = line.value();
      const std::size_t dash = range.find('-');
      if (dash == std::string_view::npos) {
        throw UsageError("--replicates needs a range A-B, not '" + std::string(range) + "'");
      }
      o.first_replicate = static_cast<int>(whole_at_least(arg, range.substr(0, dash), 1));
      o.last_replicate = static_cast<int>(whole_at_least(arg, range.substr(dash + 1), 1));
      if (o.last_replicate < o.first_replicate) {
        throw UsageError("--replicates " + std::string(range) + ": B is below A");
      }
    } else if (arg == "--quiet") {
      o.quiet = true;
    } else if (arg == "--retro") {
      // More peels than the tables hold years could never all run.
      constexpr long kMostPeels = 59;
      const long peels = whole_at_least(arg, line.value(), 1);
      if (peels > kMostPeels) {
        throw UsageError("--retro needs at most " + std::to_string(kMostPeels) + " peels, not " +
                         std::to_string(peels));
      }
      o.retro = static_cast<int>(peels);
    } else if (arg == "--leave-out") {
      o.leave_out = true;
    } else if (arg == "--restart-answer") {
      const std::string_view r = line.value();
      if (r != "1" && r != "2") {
        throw UsageError("--restart-answer needs 1 or 2, not '" + std::string(r) + "'");
      }
      o.restart_answer = r == "1" ? 1 : 2;
    } else {
      throw UsageError("unknown argument '" + std::string(line.whole()) + "'");
    }
  }
  if (!o.help && !o.version && !o.list_fields && o.first_replicate > 0) {
    if (o.bootstrap_kind != BootstrapKind::Independent) {
      throw UsageError("--replicates needs --bootstrap-kind independent");
    }
    if (!o.bootstrap_runs || o.last_replicate > *o.bootstrap_runs) {
      throw UsageError("--replicates needs --bootstrap N with N at least the last replicate");
    }
  }
  if (!o.help && !o.version && !o.list_fields) {
    std::error_code ec;
    if (o.workdir.empty() || !std::filesystem::is_directory(o.workdir, ec)) {
      throw UsageError("the working directory '" + o.workdir + "' does not exist");
    }
  }
  return o;
}

void apply_bootstrap_options(const BatchOptions& o, RunState& s) {
  s.bootstrap_kind = o.bootstrap_kind;
  s.first_replicate = o.first_replicate;
  s.last_replicate = o.last_replicate;
  apply_run_keys(o.keys, s);
  if (o.seed) {
    s.bootstrap_seed = *o.seed;
    s.rng = UniformRandom(*o.seed);
  }
}

}  // namespace quorvane
