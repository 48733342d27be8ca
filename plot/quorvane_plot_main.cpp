// quorvane-plot: every chart of a run's tables folder, written to files without a display.
#include <QApplication>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <memory>
#include <stdexcept>
#include <string>
#include <system_error>

#include "base/command_line.h"
#include "plot/charts.h"
#include "plot/headless.h"
#include "plot/report_html.h"
#include "report/version.h"

namespace {

using quorvane::UsageError;

constexpr const char* kUsage =
    "Usage: quorvane-plot TABLES_DIR [--out DIR] [--format png|svg] [--report]\n"
    "\n"
    "Draws every chart the tables of a run support (SSB, fishing mortality, recruitment,\n"
    "residuals, survey fits, the short-term forecast when the run made one and, after a\n"
    "retrospective analysis, the retrospective) into DIR,\n"
    "one file per chart named after it, and prints the path of each file.\n"
    "\n"
    "  TABLES_DIR        the tables folder of a run (output.out.tables for output.out)\n"
    "  --out DIR         where the files go (default: TABLES_DIR/plots, made when needed;\n"
    "                    with --report, TABLES_DIR)\n"
    "  --format FORMAT   png (default, 1200 x 800 pixels) or svg\n"
    "  --report          write DIR/report.html instead: the run in one self-contained page\n"
    "                    (settings, data, fit, stock summary, bootstrap, retrospective and\n"
    "                    every chart), readable in any browser without a network\n"
    "  --help            show this text\n"
    "  --version         show the version and the compiler that built it\n";

struct Options {
  std::string tables;
  std::string out;
  quorvane::plot::ImageFormat format = quorvane::plot::ImageFormat::Png;
  bool report = false;
  bool help = false;
  bool version = false;
};

Options parse(int argc, char** argv) {
  Options o;
  quorvane::CommandLine line(argc - 1, argv + 1);
  while (line.next()) {
    const std::string arg(line.arg());
    const auto value = [&line] { return std::string(line.value()); };
    if (arg == "--help" || arg == "-h") {
      o.help = true;
    } else if (arg == "--report") {
      o.report = true;
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
    } else if (o.tables.empty()) {
      o.tables = arg;
    } else {
      throw UsageError("one tables folder only; '" + arg + "' is a second");
    }
  }
  if (!o.help && !o.version && o.tables.empty()) throw UsageError("the tables folder is missing");
  if (o.out.empty()) {
    o.out = o.report ? o.tables : (std::filesystem::path(o.tables) / "plots").string();
  }
  return o;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  try {
    options = parse(argc, argv);
  } catch (const UsageError& e) {
    std::cerr << "quorvane-plot: " << e.what() << " (see --help)\n";
    return 2;
  }
  if (options.help) {
    std::cout << kUsage;
    return 0;
  }
  if (options.version) {
    std::cout << quorvane::version_text("quorvane-plot");
    return 0;
  }

  namespace plot = quorvane::plot;
  // The tables are read before Qt starts, so that a wrong folder is one line on stderr.
  plot::PlotData data;
  try {
    data = plot::read_plot_data(options.tables);
  } catch (const std::exception& e) {
    std::cerr << "quorvane-plot: " << e.what() << '\n';
    return 1;
  }

  plot::prepare_headless_drawing();
  QApplication app(argc, argv);

  try {
    std::error_code ec;
    std::filesystem::create_directories(options.out, ec);
    if (ec) {
      throw std::runtime_error(options.out + ": the folder cannot be made (" + ec.message() + ")");
    }
    if (options.report) {
      const std::string path = (std::filesystem::path(options.out) / "report.html").string();
      plot::write_report(data, path);
      std::cout << path << '\n';
      return 0;
    }
    const char* extension = options.format == plot::ImageFormat::Png ? ".png" : ".svg";
    for (const plot::ChartInfo& info : plot::available_charts(data)) {
      const std::unique_ptr<QChart> chart(plot::make_chart(data, info.name));
      const std::string path =
          (std::filesystem::path(options.out) / (info.name + extension)).string();
      plot::save_chart(chart.get(), path, options.format);
      std::cout << path << '\n';
    }
  } catch (const std::exception& e) {
    std::cerr << "quorvane-plot: " << e.what() << '\n';
    return 1;
  }
  return 0;
}
