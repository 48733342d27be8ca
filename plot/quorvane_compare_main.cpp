// quorvane-compare: two runs side by side, from their tables: the settings that differ, SSB,
// F-bar and recruitment by year with their relative change, and the overlay charts.
#include <QApplication>
#include <filesystem>
#include <iostream>
#include <memory>
#include <string>

#include "base/command_line.h"
#include "plot/compare_charts.h"
#include "plot/headless.h"
#include "report/version.h"
#include "run/run_comparison.h"

namespace {

using quorvane::UsageError;

constexpr const char* kUsage =
    "Usage: quorvane-compare RUN_A RUN_B [--out DIR] [--format png|svg]\n"
    "\n"
    "Compares two runs: prints the settings in which they differ and the mean relative change\n"
    "of SSB, F-bar and recruitment from A to B over the last 5 years, or that the runs are\n"
    "identical; writes settings_diff.csv, compare_by_year.csv and compare_recent.csv and the\n"
    "overlay charts compare_ssb, compare_fbar and compare_recruitment into DIR.\n"
    "\n"
    "  RUN_A, RUN_B      a results file (its tables folder beside it is read) or a tables folder\n"
    "  --out DIR         where the tables and charts go (default: comparison, made when needed)\n"
    "  --format FORMAT   png (default, 1200 x 800 pixels) or svg\n"
    "  --help            show this text\n"
    "  --version         show the version and the compiler that built it\n";

struct Options {
  std::string a, b;
  std::string out = "comparison";
  quorvane::plot::ImageFormat format = quorvane::plot::ImageFormat::Png;
  bool help = false;
  bool version = false;
};

Options parse(int argc, char** argv) {
  Options o;
  int runs = 0;
  quorvane::CommandLine line(argc - 1, argv + 1);
  while (line.next()) {
    const std::string arg(line.arg());
    const auto value = [&line] { return std::string(line.value()); };
    if (arg == "--help" || arg == "-h") {
      o.help = true;
    } else if (arg == "--version") {
      o.version = true;
    } else if (arg == "--out") {
      o.out = value();
    } else if (arg == "--format") {
      const std::string f = value();
      const auto format = quorvane::plot::image_format_named(f);
      if (!format) throw UsageError("--format needs png or svg, not '" + f + "'");
      o.format = *format;
    } else if (arg.starts_with("-") && arg != "-") {
      throw UsageError("unknown option '" + arg + "'");
    } else if (runs < 2) {
      (runs++ == 0 ? o.a : o.b) = arg;
    } else {
      throw UsageError("two runs only; '" + arg + "' is a third");
    }
  }
  if (!o.help && !o.version && runs < 2) throw UsageError("two runs are needed, A and B");
  if (o.out.empty()) throw UsageError("--out needs a folder");
  return o;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  try {
    options = parse(argc, argv);
  } catch (const UsageError& e) {
    std::cerr << "quorvane-compare: " << e.what() << " (see --help)\n";
    return 2;
  }
  if (options.help) {
    std::cout << kUsage;
    return 0;
  }
  if (options.version) {
    std::cout << quorvane::version_text("quorvane-compare");
    return 0;
  }

  namespace plot = quorvane::plot;
  // The tables are read and compared before Qt starts, so that a wrong path is one line.
  quorvane::ComparedRun a, b;
  quorvane::Comparison comparison;
  try {
    a = quorvane::read_compared_run(options.a);
    b = quorvane::read_compared_run(options.b);
    comparison = quorvane::compare_runs(a, b);
    std::cout << quorvane::comparison_text(a, b, comparison);
    for (const std::string& path : quorvane::write_comparison_tables(options.out, comparison)) {
      std::cout << path << '\n';
    }
  } catch (const std::exception& e) {
    std::cout.flush();
    std::cerr << "quorvane-compare: " << e.what() << '\n';
    return 1;
  }

  plot::prepare_headless_drawing();
  QApplication app(argc, argv);
  try {
    const char* extension = options.format == plot::ImageFormat::Png ? ".png" : ".svg";
    for (const plot::ChartInfo& info : plot::overlay_charts()) {
      const std::unique_ptr<QChart> chart(
          plot::make_overlay_chart(a, b, info.name, plot::run_name(a), plot::run_name(b)));
      const std::string path =
          (std::filesystem::path(options.out) / (info.name + extension)).string();
      plot::save_chart(chart.get(), path, options.format);
      std::cout << path << '\n';
    }
  } catch (const std::exception& e) {
    std::cout.flush();
    std::cerr << "quorvane-compare: " << e.what() << '\n';
    return 1;
  }
  return 0;
}
