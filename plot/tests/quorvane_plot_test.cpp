// quorvane-plot and quorvane-compare on two runs of the demo stock: one with a 5-run bootstrap,
// a 3-year retrospective and a forecast, so that every chart the tables support is written, as PNG and as
// SVG, and the report page holds them all; one with the catch loss (Text7) measured by the sum of
// squares in place of AMD, to compare with. The pictures and the report are kept in the build
// folder (demo_plots/, demo_report/, demo_compare/) for a person to look at.
#include <gtest/gtest.h>

#include <algorithm>

#include <QAbstractSeries>
#include <QFile>
#include <QStringList>
#include <QXYSeries>
#include <QXmlStreamReader>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "plot/charts.h"
#include "plot/tests/image_checks.h"
#include "report/version.h"

namespace quorvane::plot {
namespace {

namespace fs = std::filesystem;
using namespace quorvane::testing;  // run_program, copy_folder, slurp, shell_quoted

const std::string kPlot = QUORVANE_PLOT_EXE;
const std::string kCompare = QUORVANE_COMPARE_EXE;
const fs::path kPictures = QUORVANE_PLOT_PICTURE_DIR;

// Runs the program `exe` with `args` (quoted by the caller where needed).
BatchRun run(const std::string& exe, const std::string& args) {
  return run_program(exe, ::testing::TempDir(), args);
}

// Checks on a written report page, read as XML: every figure holds one inline SVG with more than
// a handful of drawn elements, every table has a header row and body rows of as many cells, and
// nothing reaches outside the page (no script, no external picture, style sheet or frame, no link
// but to a place on the page).
struct PageCheck {
  QStringList problems;  // empty for a sound page
  QStringList figures;   // the ids of the figures, in order
  int tables = 0;
};

PageCheck check_page(const std::string& path) {
  PageCheck check;
  QFile file(QString::fromStdString(path));
  if (!file.open(QIODevice::ReadOnly)) check.problems << "the page cannot be read";
  QXmlStreamReader xml(&file);
  const QStringList outside = {"script", "img", "link", "iframe", "object", "embed", "image"};
  QString figure;
  int svgs = 0, drawn = 0;                     // of the figure being read
  int header_cells = -1, cells = 0, rows = 0;  // of the table being read; -1 before its header
  while (!xml.atEnd()) {
    const QXmlStreamReader::TokenType token = xml.readNext();
    const QString name = xml.name().toString();
    if (token == QXmlStreamReader::StartElement) {
      if (outside.contains(name)) check.problems << "a <" + name + "> element";
      for (const QXmlStreamAttribute& a : xml.attributes())
        if (a.name() == u"src" || (a.name() == u"href" && !a.value().startsWith(u'#')))
          check.problems << "a reference to " + a.value().toString();
      drawn += name == "path" || name == "polyline" || name == "text";
      cells += name == "th" || name == "td";
      svgs += name == "svg";
      if (name == "svg" && figure.isEmpty()) check.problems << "a drawing outside a figure";
      if (name == "figure") figure = xml.attributes().value("id").toString(), svgs = drawn = 0;
      if (name == "table") ++check.tables, header_cells = -1, rows = 0;
      if (name == "tr") cells = 0;
    } else if (token == QXmlStreamReader::EndElement) {
      if (name == "figure") {
        if (svgs != 1 || drawn < 20)
          check.problems << figure + QString(": %1 drawings of %2 elements").arg(svgs).arg(drawn);
        check.figures << std::exchange(figure, QString());
      } else if (name == "tr" && header_cells < 0) {
        header_cells = cells;
      } else if (name == "tr" && (++rows, cells != header_cells)) {
        check.problems << QString("table %1: a ragged row").arg(check.tables);
      } else if (name == "table" && rows == 0) {
        check.problems << QString("table %1: no rows").arg(check.tables);
      }
    }
  }
  if (xml.hasError())
    check.problems << QString("line %1: ").arg(xml.lineNumber()) + xml.errorString();
  return check;
}

class DemoRuns : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    fs::remove_all(work());
    for (const auto& [name, extra] :
         {std::pair{"main", std::string(" --bootstrap 5 --retro 3 --forecast --leave-out "
                                         "--equilibrium-simulations 20")},
          std::pair{"sse", std::string(" --set Text7=2 --forecast --equilibrium-simulations 20")},
          std::pair{"m_scan", std::string(" --set Text3=1 --set Text22=0.1 --set Text23=0.35 "
                                          "--set Text24=0.1")}}) {
      copy_folder(kSourceDir / "demo", work() / name / "demo");
      const BatchRun batch = run_program(QUORVANE_BATCH_EXE, work() / name,
                                         "--quiet --fields demo/fields.txt" + extra);
      batch_problem_ += batch.err;
      if (batch.exit_code != 0) batch_problem_ += name + std::string(" run failed\n");
    }
  }
  static void TearDownTestSuite() { fs::remove_all(work()); }
  void SetUp() override { ASSERT_EQ(batch_problem_, ""); }

  static fs::path work() { return fs::path(::testing::TempDir()) / "quorvane_plot_demo"; }
  static fs::path tables(const std::string& run = "main") {
    return work() / run / "output.out.tables";
  }

  // The names of the charts the tables of a run support, in display order.
  static std::vector<std::string> chart_names(const std::string& run = "main") {
    std::vector<std::string> names;
    for (const ChartInfo& c : available_charts(read_plot_data(tables(run).string())))
      names.push_back(c.name);
    return names;
  }

  static inline std::string batch_problem_;
};

TEST_F(DemoRuns, PlotWritesEveryChartAsADrawnPngAndSvgOfTheRightSize) {
  // The demo has one SSB survey and four aged fleets; the retrospective is found in retro/
  // beside the results file, and without it there is no retrospective chart.
  const std::vector<std::string> names = chart_names();
  EXPECT_EQ(names, (std::vector<std::string>{
                       "ssb", "f", "selection", "recruitment", "stock_recruitment", "forecast",
                       "per_recruit", "equilibrium", "stochastic_equilibrium", "weights_at_age", "catch_curves",
                       "catch_residuals",
                       "fleet1_residuals", "fleet2_residuals", "fleet3_residuals",
                       "fleet4_residuals", "ssb_survey1_fit", "fleet1_fit", "fleet2_fit",
                       "fleet3_fit", "fleet4_fit", "ssb_survey1_runs", "fleet1_runs",
                       "fleet2_runs", "fleet3_runs", "fleet4_runs", "fleet1_consistency",
                       "fleet2_consistency", "fleet3_consistency", "fleet4_consistency",
                       "retrospective_ssb", "retrospective_mean_f", "hindcast_ssb_survey1",
                       "hindcast_fleet1", "hindcast_fleet2", "hindcast_fleet3",
                       "hindcast_fleet4", "leave_out_ssb", "leave_out_fbar", "loss_profile_f",
                       "loss_components_f"}));
  EXPECT_EQ(chart_names("sse").back(), "loss_components_f");
  EXPECT_THROW(delete make_chart(read_plot_data(tables().string()), "fleet7_fit"),
               std::invalid_argument);

  const fs::path pictures = kPictures / "demo_plots";
  fs::remove_all(pictures);
  const BatchRun png = run(kPlot, shell_quoted(tables()) + " --out " + shell_quoted(pictures));
  ASSERT_EQ(png.exit_code, 0) << png.err;
  std::string listed;
  for (const std::string& name : names) {
    const fs::path file = pictures / (name + ".png");
    listed += file.string() + "\n";
    EXPECT_TRUE(testing::is_drawn(file.string(), 1200, 800));
  }
  EXPECT_EQ(png.out, listed);  // each path printed, in display order

  ASSERT_EQ(run(kPlot, "--format=svg " + shell_quoted(tables())).exit_code, 0);
  for (const std::string& name : names)
    EXPECT_TRUE(testing::is_drawn((tables() / "plots" / (name + ".svg")).string(), 1200, 800));

  // The bootstrap band and the retrospective's rho reached the charts; no band without one.
  const PlotData data = read_plot_data(tables().string());
  EXPECT_TRUE(data.summary.back().ssb_q05.has_value());
  EXPECT_FALSE(read_plot_data(tables("sse").string()).summary.back().ssb_q05.has_value());
  const std::unique_ptr<QChart> retro(make_chart(data, "retrospective_ssb"));
  EXPECT_TRUE(retro->title().contains("Mohn's rho"));
  // The retrospective's F is F-bar, with F-bar's own rho.
  const std::unique_ptr<QChart> retro_f(make_chart(data, "retrospective_mean_f"));
  const auto fbar_rho = std::find_if(data.retro_rho.begin(), data.retro_rho.end(),
                                     [](const RetroRhoRow& r) { return r.quantity == "fbar"; });
  ASSERT_NE(fbar_rho, data.retro_rho.end());
  ASSERT_TRUE(fbar_rho->rho.has_value());
  EXPECT_EQ(retro_f->title().toStdString(),
            "Retrospective: F-bar, ages " + data.fbar_ages + " (Mohn's rho " +
                QString::number(*fbar_rho->rho, 'g', 2).toStdString() + ")");

  // The hindcast of fleet 1: one line per age it predicted, and as many points as hindcast.csv
  // has predictions of the fleet; the fleet's MASE in the title, each age's in the legend.
  const std::unique_ptr<QChart> hindcast(make_chart(data, "hindcast_fleet1"));
  const auto predictions = std::count_if(data.hindcast.begin(), data.hindcast.end(),
                                         [](const HindcastRow& r) { return !r.ssb && r.number == 1; });
  EXPECT_GT(predictions, 0);
  long drawn = 0;
  QStringList ages;
  for (const QAbstractSeries* series : hindcast->series()) {
    const auto* xy = qobject_cast<const QXYSeries*>(series);
    if (series->type() == QAbstractSeries::SeriesTypeScatter && series->name().isEmpty())
      drawn += xy->count();
    if (series->type() == QAbstractSeries::SeriesTypeLine) ages << series->name().section(':', 0, 0);
  }
  EXPECT_EQ(drawn, predictions);
  EXPECT_EQ(ages, (QStringList{"Age 4", "Age 5", "Age 6", "Age 7", "Age 8", "Age 9", "Age 10"}));
  const auto whole = std::find_if(data.hindcast_mase.begin(), data.hindcast_mase.end(),
                                  [](const HindcastMaseRow& r) { return !r.ssb && r.number == 1 && !r.age; });
  ASSERT_NE(whole, data.hindcast_mase.end());
  ASSERT_TRUE(whole->mase.has_value());
  EXPECT_TRUE(hindcast->title().contains(
      QString(", MASE %1 from %2 predictions").arg(QString::number(*whole->mase, 'g', 3)).arg(predictions)))
      << hindcast->title().toStdString();

  // Leave one out: a line per run, named after the series it lacks, the run with every series
  // drawn last; fleets 1, 3 and 4 move no terminal f of the scan, so their lines lie under it.
  const std::unique_ptr<QChart> leave_out(make_chart(data, "leave_out_ssb"));
  QStringList lines;
  for (const QAbstractSeries* series : leave_out->series()) lines << series->name();
  EXPECT_EQ(lines, (QStringList{"Without fleet 4 (Aged survey fleet 4) (as all series)",
                                "Without fleet 3 (Aged survey fleet 3) (as all series)",
                                "Without fleet 2 (Aged survey fleet 2)",
                                "Without fleet 1 (Aged survey fleet 1) (as all series)",
                                "Without SSB survey 1", "All series"}));
}

// The retrospective and leave one out lie beside the tables in the working directory, where a
// later run with other settings leaves them behind: set beside the sse run's tables, the main
// run's are not taken for the sse run's.
TEST_F(DemoRuns, AnalysesOfAnotherRunAreNotDrawn) {
  const fs::path other = work() / "other";
  fs::remove_all(other);
  fs::create_directories(other);
  for (const char* folder : {"output.out.tables", "retro", "leave_out"}) {
    fs::copy(work() / (std::string(folder) == "output.out.tables" ? "sse" : "main") / folder,
             other / folder, fs::copy_options::recursive);
  }
  const PlotData data = read_plot_data((other / "output.out.tables").string());
  EXPECT_TRUE(data.retro.empty());
  EXPECT_TRUE(data.hindcast.empty());
  EXPECT_TRUE(data.leave_out.empty());
  EXPECT_FALSE(read_plot_data(tables().string()).leave_out.empty());
}

// The loss profile comes from the search log beside the tables, which the working directory's
// next run overwrites: it is drawn only when the log's grid is this run's and its line at the
// best point holds this run's terminal f and total loss. The bootstrap's lines after the main
// run's (main) are left out; a scan over M as well gives the least loss over M at each f and
// over f at each M.
TEST_F(DemoRuns, LossProfileIsTheRunsOwnScan) {
  const PlotData sse = read_plot_data(tables("sse").string());
  ASSERT_EQ(sse.scan.size(), 17u);
  EXPECT_EQ(sse.scan_outer, "");
  for (std::size_t j = 0; j < sse.scan.size(); ++j) EXPECT_EQ(sse.scan[j].f, 1 + 0.25 * j);
  EXPECT_EQ(read_plot_data(tables("main").string()).scan.size(), 17u);
  // Each point holds every component's loss before its weight, which make up the total loss as
  // the weights add them, to the log's five decimals.
  std::vector<std::pair<std::string, double>> components;
  for (const LossColumn& c : sse.scan_components) components.emplace_back(c.key, c.weight);
  EXPECT_EQ(components, (std::vector<std::pair<std::string, double>>{{"catch", 1},
                                                                     {"ssb1", 1},
                                                                     {"fleet1", 0.2},
                                                                     {"fleet2", 0.2},
                                                                     {"fleet3", 0.1},
                                                                     {"fleet4", 0.2}}));
  for (const ScanPoint& p : sse.scan) {
    ASSERT_EQ(p.components.size(), components.size());
    double total = 0;
    for (std::size_t i = 0; i < components.size(); ++i) total += components[i].second * p.components[i];
    EXPECT_NEAR(total, p.total_loss, 1e-4) << "f " << p.f;
  }
  const std::unique_ptr<QChart> parts(make_chart(sse, "loss_components_f"));
  EXPECT_EQ(parts->series().size(), 7);  // six components and the total
  EXPECT_TRUE(parts->series().back()->name().startsWith("Total: least at "));

  const PlotData m_scan = read_plot_data(tables("m_scan").string());
  EXPECT_EQ(m_scan.scan.size(), 3u * 17u);
  EXPECT_EQ(m_scan.scan_outer, "M");
  EXPECT_DOUBLE_EQ(m_scan.scan[17].outer, 0.2);
  // Its least loss lies at the lowest M scanned, which the run's note says (and the report).
  ASSERT_EQ(m_scan.scan_notes.size(), 1u);
  EXPECT_TRUE(m_scan.scan_notes[0].starts_with("The best M, 0.1, is the lowest value scanned"));
  EXPECT_TRUE(sse.scan_notes.empty());
  const std::vector<ChartInfo> charts = available_charts(m_scan);
  EXPECT_EQ(charts.back().name, "loss_profile_m");
  // The components are drawn along a scan of terminal f alone.
  for (const ChartInfo& c : charts) EXPECT_NE(c.name, "loss_components_f");
  for (const char* name : {"loss_profile_f", "loss_profile_m"}) {
    const std::unique_ptr<QChart> chart(make_chart(m_scan, name));
    EXPECT_EQ(chart->series().size(), 2);  // the profile and the best point
  }

  // The sse run's tables beside the search log of other runs: the main run, whose grid is the
  // same but whose losses are not; a log cut short; no log.
  PlotData other;
  read_scan_profile(tables("sse").string(), (work() / "main" / "minim.out").string(), other);
  EXPECT_TRUE(other.scan.empty());
  read_scan_profile(tables("sse").string(), (work() / "m_scan" / "minim.out").string(), other);
  EXPECT_TRUE(other.scan.empty());
  const fs::path cut = work() / "cut_minim.out";
  const std::string log = slurp(work() / "sse" / "minim.out");
  std::size_t end = 0;
  for (int line = 0; line < 18; ++line) end = log.find('\n', end) + 1;
  write_text(cut, log.substr(0, end));
  read_scan_profile(tables("sse").string(), cut.string(), other);
  EXPECT_TRUE(other.scan.empty());
  read_scan_profile(tables("sse").string(), (work() / "absent.out").string(), other);
  EXPECT_TRUE(other.scan.empty());

  // A results file in a folder of the working directory: the log is two folders above its
  // tables, also when the tables are named from inside that folder.
  const fs::path nested = work() / "nested";
  copy_folder(kSourceDir / "demo", nested / "demo");
  fs::create_directories(nested / "results");
  ASSERT_EQ(run_program(QUORVANE_BATCH_EXE, nested, "--quiet --set Text35=results/output.out")
                .exit_code,
            0);
  const fs::path here = fs::current_path();
  fs::current_path(nested / "results");
  EXPECT_EQ(read_plot_data("output.out.tables/").scan.size(), 17u);
  fs::current_path(here);
}

TEST_F(DemoRuns, PlotWritesAReportWithEveryChartAndWellFormedTables) {
  const fs::path out = kPictures / "demo_report";
  fs::remove_all(out);
  const BatchRun report =
      run(kPlot, "--report " + shell_quoted(tables()) + " --out " + shell_quoted(out));
  ASSERT_EQ(report.exit_code, 0) << report.err;
  const fs::path page = out / "report.html";
  EXPECT_EQ(report.out, page.string() + "\n");

  const PageCheck check = check_page(page.string());
  EXPECT_TRUE(check.problems.isEmpty()) << check.problems.join("\n").toStdString();
  QStringList expected;
  for (const std::string& name : chart_names()) expected << QString::fromStdString("chart-" + name);
  EXPECT_EQ(check.figures, expected);
  // Data, losses, estimates, the runs tests, stock summary, bootstrap bands, Mohn's rho, the
  // hindcast's MASE, leave one out, forecast, per recruit, equilibrium, stochastic equilibrium,
  // settings.
  EXPECT_EQ(check.tables, 14);

  const std::string html = slurp(page.string());
  for (const std::string& text :
       {std::string("5 bootstrap runs"), std::string("3 peels, last years 2013 2012 2011"),
        std::string("<td>Fleet 1: Aged survey fleet 1</td><td>all</td>"),
        std::string("<td>Fleet 4: Aged survey fleet 4 (demo/fleet4.txt)</td>"),
        std::string("<td>status quo</td>"), std::string("<td>F0.1</td>"),
        std::string("<td>Fcrash</td>"), std::string("<td>Fmsy (precautionary)</td>"),
        std::string("<td>fleet2</td><td>Aged survey fleet 2</td>"),
        "by quorvane-plot " + std::string(kProgramVersion)}) {
    EXPECT_NE(html.find(text), std::string::npos) << text;
  }
}

// (That a run set against itself is identical is CompareRuns.TwoCopiesOfOneRun...'s.)
TEST_F(DemoRuns, CompareListsTheChangedCatchLossAndDrawsBothRuns) {
  const fs::path out = kPictures / "demo_compare";
  fs::remove_all(out);
  const BatchRun c =
      run(kCompare, shell_quoted(work() / "main" / "output.out") + " " +
                        shell_quoted(tables("sse")) + " --format svg --out " + shell_quoted(out));
  ASSERT_EQ(c.exit_code, 0) << c.err;
  for (const char* text : {"Settings that differ (1):\n  Text7  What to minimize for C(a,y)?",
                           "\n    A: 3\n    B: 2\n"})
    EXPECT_NE(c.out.find(text), std::string::npos) << c.out;
  // The contents of the tables are CompareRuns.ListsTheChangedSettings...'s.
  EXPECT_TRUE(slurp(out / "settings_diff.csv").starts_with("name,label,run_a"));
  EXPECT_TRUE(slurp(out / "compare_by_year.csv").starts_with("year,"));
  for (const std::string name : {"compare_ssb", "compare_fbar", "compare_recruitment"})
    EXPECT_TRUE(testing::is_drawn((out / (name + ".svg")).string(), 1200, 800));
}

// Each case: the program, its arguments (in the folder of the two runs, which has no tables of
// its own: main/ itself has no summary.csv), the exit code and the one line on standard error.
TEST_F(DemoRuns, AWrongFolderOptionOrRunIsOneLineOnStandardError) {
  using Case = std::tuple<std::string, const char*, int, const char*>;
  for (const auto& [exe, args, exit_code, err] : std::vector<Case>{
           {kPlot, "nowhere", 1, "quorvane-plot: nowhere: no such folder of tables\n"},
           {kPlot, "main", 1, "quorvane-plot: main/summary.csv: no such file\n"},
           {kPlot, "--format jpg main/output.out.tables", 2,
            "quorvane-plot: --format needs png or svg, not 'jpg' (see --help)\n"},
           {kCompare, "main/output.out nowhere", 1,
            "quorvane-compare: nowhere: no such results file or tables folder\n"},
           {kCompare, "main/output.out main/output.out extra", 2,
            "quorvane-compare: two runs only; 'extra' is a third (see --help)\n"}}) {
    const BatchRun command = run_program(exe, work(), args);
    EXPECT_EQ(command.exit_code, exit_code) << args;
    EXPECT_EQ(command.err, err) << args;
  }
}

// A hindcast table that cannot be read stops the plot as any other table does: one line naming
// the file, the line and the cell.
TEST_F(DemoRuns, AHindcastTableWithABadCellIsOneLineOnStandardError) {
  const fs::path bad = work() / "bad_hindcast";
  fs::remove_all(bad);
  fs::create_directories(bad);
  for (const char* folder : {"output.out.tables", "retro"})
    fs::copy(work() / "main" / folder, bad / folder, fs::copy_options::recursive);
  std::string table = slurp(bad / "retro" / "hindcast.csv");
  const std::size_t second = table.find('\n') + 1;
  table.replace(second, table.find('\n', second) - second, "fleet,1,,1,2014,4,10,ten,8");
  write_text(bad / "retro" / "hindcast.csv", table);
  const BatchRun plot = run_program(kPlot, work(), "bad_hindcast/output.out.tables");
  EXPECT_EQ(plot.exit_code, 1);
  EXPECT_EQ(plot.err,
            "quorvane-plot: bad_hindcast/retro/hindcast.csv: line 2: 'ten' is not a number\n");
}

}  // namespace
}  // namespace quorvane::plot
