// quorvane-sim: writes a simulated stock with its truth in the program's input
// layouts.
//
//   quorvane-sim --preset demo --out demo     regenerates the committed demo
//   stock
//
// Exit status: 0 written, 2 bad usage, 1 the data set could not be simulated or
// written.
#include <charconv>
#include <cstdint>
#include <exception>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>

#include "base/command_line.h"
#include "report/version.h"
#include "tools/sim/dataset_writer.h"
#include "tools/sim/stock_simulator.h"

namespace {

constexpr int kExitWritten = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

constexpr std::string_view kUsage =
    "usage: quorvane-sim --out DIR [--preset demo] [--seed N] [--no-noise] "
    "[--extended-year]\n"
    "\n"
    "Simulates a fish stock forward through the assessment's own population "
    "model and writes\n"
    "the catch, weight, natural mortality and maturity tables, the SSB survey "
    "and aged fleet\n"
    "files, the truth (truth.txt) and the settings that read them (fields.txt) "
    "into DIR.\n"
    "\n"
    "  --out DIR        directory to write (created if missing)\n"
    "  --preset demo    the demo stock (the only preset, and the default)\n"
    "  --seed N         seed of the random numbers (default: the demo's own "
    "seed)\n"
    "  --no-noise       catch and surveys exactly as the model expects them\n"
    "  --extended-year  one more year without catch, observed by the surveys\n"
    "  --help           this text\n"
    "  --version        the version and the compiler that built it\n";

struct Options {
  std::filesystem::path out;
  std::optional<std::uint32_t> seed;
  bool no_noise = false;
  bool extended_year = false;
  bool help = false;
  bool version = false;
};

std::optional<std::uint32_t> parse_seed(std::string_view text) {
  std::uint32_t value = 0;
  const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
  if (result.ec != std::errc() || result.ptr != text.data() + text.size()) return std::nullopt;
  return value;
}

// Returns the options, or throws UsageError.
Options parse(int argc, char **argv) {
  using quorvane::UsageError;
  Options options;
  quorvane::CommandLine line(argc - 1, argv + 1);
  while (line.next()) {
    const std::string_view arg = line.arg();
    if (arg == "--help" || arg == "-h") {
      options.help = true;
    } else if (arg == "--version") {
      options.version = true;
    } else if (arg == "--out") {
      options.out = std::filesystem::path(line.value());
    } else if (arg == "--preset") {
      const std::string_view name = line.value();
      if (name != "demo") {
        throw UsageError("unknown preset '" + std::string(name) + "' (known: demo)");
      }
    } else if (arg == "--seed") {
      const std::string_view text = line.value();
      options.seed = parse_seed(text);
      if (!options.seed) {
        throw UsageError("--seed needs a whole number from 0 to 4294967295, not '" +
                         std::string(text) + "'");
      }
    } else if (arg == "--no-noise") {
      options.no_noise = true;
    } else if (arg == "--extended-year") {
      options.extended_year = true;
    } else {
      throw UsageError("unknown option '" + std::string(line.whole()) + "'");
    }
  }
  if (!options.help && !options.version && options.out.empty()) {
    throw UsageError("--out DIR is required");
  }
  return options;
}

}  // namespace

int main(int argc, char **argv) {
  namespace sim = quorvane::sim;
  std::optional<Options> options;
  try {
    options = parse(argc, argv);
  } catch (const quorvane::UsageError &e) {
    std::cerr << "quorvane-sim: " << e.what() << "\n\n" << kUsage;
    return kExitUsage;
  }
  if (options->help) {
    std::cout << kUsage;
    return kExitWritten;
  }
  if (options->version) {
    std::cout << quorvane::version_text("quorvane-sim");
    return kExitWritten;
  }
  try {
    sim::Scenario scenario = sim::demo_scenario(options->seed.value_or(sim::kDemoSeed));
    if (options->no_noise) scenario = sim::without_observation_noise(scenario);
    if (options->extended_year) scenario = sim::with_extended_year(scenario);
    const sim::SimulatedStock stock = sim::simulate(scenario);
    // File names in fields.txt are the output directory as typed, seen from
    // where we run.
    std::string prefix = options->out.generic_string();
    if (!prefix.empty() && prefix.back() != '/') prefix += '/';
    for (const auto &path : sim::write_dataset(stock, options->out, prefix)) {
      std::cout << "wrote " << path.generic_string() << '\n';
    }
    std::cout << "terminal f " << sim::format_number(stock.terminal_f) << ", seed " << scenario.seed
              << '\n';
  } catch (const std::exception &e) {
    std::cerr << "quorvane-sim: " << e.what() << '\n';
    return kExitFailed;
  }
  return kExitWritten;
}
