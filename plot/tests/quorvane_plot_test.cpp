// quorvane-plot on the demo stock after a run with a 20-run bootstrap and a 3-year
// retrospective: every chart the tables support is written, as PNG and as SVG, and the report
// page holds them all. quorvane-compare on two runs of the demo. The PNGs and the report are
// kept in the build folder (demo_plots/, demo_report/) for a person to look at.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "plot/charts.h"
#include "plot/tests/html_checks.h"
#include "plot/tests/image_checks.h"
#include "report/version.h"

namespace quorvane::plot {
namespace {

namespace fs = std::filesystem;

struct Command {
  int exit_code = -1;
  std::string out;  // standard output
};

// Runs a shell command; its standard error goes to `err_file`.
Command run(const std::string& command, const fs::path& err_file) {
  Command result;
  FILE* pipe = popen((command + " 2>'" + err_file.string() + "'").c_str(), "r");
  if (!pipe) return result;
  std::array<char, 4096> buffer{};
  while (std::size_t n = fread(buffer.data(), 1, buffer.size(), pipe)) {
    result.out.append(buffer.data(), n);
  }
  const int status = pclose(pipe);
  result.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

std::string quoted(const fs::path& p) { return "'" + p.string() + "'"; }

class PlotterOnTheDemo : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    work_ = new fs::path(fs::path(::testing::TempDir()) / "quorvane_plot_demo");
    fs::remove_all(*work_);
    fs::create_directories(*work_);
    fs::copy(fs::path(QUORVANE_SOURCE_DIR) / "demo", *work_ / "demo", fs::copy_options::recursive);
    const Command batch =
        run(std::string(QUORVANE_BATCH_EXE) + " --quiet --workdir " + quoted(*work_) +
                " --fields " + quoted(*work_ / "demo" / "fields.txt") + " --bootstrap 20 --retro 3",
            *work_ / "batch.err");
    batch_ok_ = batch.exit_code == 0;
  }
  static void TearDownTestSuite() {
    fs::remove_all(*work_);
    delete work_;
  }
  void SetUp() override { ASSERT_TRUE(batch_ok_) << "the demo run failed; see batch.err"; }

  static fs::path tables() { return *work_ / "output.out.tables"; }

  static std::vector<std::string> chart_names() {
    std::vector<std::string> names;
    for (const ChartInfo& c : available_charts(read_plot_data(tables().string()))) {
      names.push_back(c.name);
    }
    return names;
  }

  static inline fs::path* work_ = nullptr;
  static inline bool batch_ok_ = false;
};

TEST_F(PlotterOnTheDemo, WritesEveryChartAsADrawnPngAndSvgOfTheRightSize) {
  const std::vector<std::string> names = chart_names();
  // The demo has one SSB survey, four aged fleets, a bootstrap and a retrospective: three
  // summary charts, catch and four fleet residual charts, five fit charts, two retrospective.
  ASSERT_EQ(names.size(), 15u);
  EXPECT_EQ(names.back(), "retrospective_mean_f");

  const fs::path pictures = fs::path(QUORVANE_PLOT_PICTURE_DIR) / "demo_plots";
  fs::remove_all(pictures);
  const Command png =
      run(std::string(QUORVANE_PLOT_EXE) + " " + quoted(tables()) + " --out " + quoted(pictures),
          *work_ / "plot.err");
  ASSERT_EQ(png.exit_code, 0) << png.out;
  std::string listed;
  for (const std::string& name : names) {
    const fs::path file = pictures / (name + ".png");
    listed += file.string() + "\n";
    EXPECT_TRUE(testing::is_drawn_png(file.string(), 1200, 800));
  }
  EXPECT_EQ(png.out, listed);  // each path printed, in display order

  const Command svg = run(std::string(QUORVANE_PLOT_EXE) + " --format=svg " + quoted(tables()),
                          *work_ / "plot.err");
  ASSERT_EQ(svg.exit_code, 0);
  for (const std::string& name : names) {
    EXPECT_TRUE(testing::is_drawn_svg((tables() / "plots" / (name + ".svg")).string(), 1200, 800));
  }

  // The bootstrap band and the retrospective's rho reached the charts.
  const PlotData data = read_plot_data(tables().string());
  EXPECT_TRUE(data.summary.back().ssb_q05.has_value());
  const std::unique_ptr<QChart> retro(make_chart(data, "retrospective_ssb"));
  EXPECT_TRUE(retro->title().contains("Mohn's rho"));
}

TEST_F(PlotterOnTheDemo, AWrongFolderOrOptionIsOneLineOnStandardError) {
  const fs::path err = *work_ / "plot.err";
  const Command missing =
      run(std::string(QUORVANE_PLOT_EXE) + " " + quoted(*work_ / "nowhere"), err);
  EXPECT_EQ(missing.exit_code, 1);
  EXPECT_EQ(testing::file_bytes(err.string()),
            "quorvane-plot: " + (*work_ / "nowhere").string() + ": no such folder of tables\n");

  // The working folder itself has no summary.csv.
  const Command no_summary = run(std::string(QUORVANE_PLOT_EXE) + " " + quoted(*work_), err);
  EXPECT_EQ(no_summary.exit_code, 1);
  EXPECT_NE(testing::file_bytes(err.string()).find("summary.csv: no such file"), std::string::npos);

  const Command format =
      run(std::string(QUORVANE_PLOT_EXE) + " --format jpg " + quoted(tables()), err);
  EXPECT_EQ(format.exit_code, 2);
  EXPECT_EQ(testing::file_bytes(err.string()),
            "quorvane-plot: --format needs png or svg, not 'jpg' (see --help)\n");

  // --version needs no tables folder: the name, the version and the compiler.
  const Command version = run(std::string(QUORVANE_PLOT_EXE) + " --version", err);
  EXPECT_EQ(version.exit_code, 0);
  EXPECT_EQ(version.out.rfind("quorvane-plot ", 0), 0u) << version.out;
  EXPECT_NE(version.out.find(" (built with "), std::string::npos) << version.out;
}

TEST_F(PlotterOnTheDemo, TheReportHoldsEveryChartAndWellFormedTables) {
  const fs::path out = fs::path(QUORVANE_PLOT_PICTURE_DIR) / "demo_report";
  fs::remove_all(out);
  const Command report = run(
      std::string(QUORVANE_PLOT_EXE) + " --report " + quoted(tables()) + " --out " + quoted(out),
      *work_ / "plot.err");
  ASSERT_EQ(report.exit_code, 0) << testing::file_bytes((*work_ / "plot.err").string());
  const fs::path page = out / "report.html";
  EXPECT_EQ(report.out, page.string() + "\n");

  const testing::PageCheck check = testing::check_page(page.string());
  EXPECT_TRUE(check.problems.isEmpty()) << check.problems.join("\n").toStdString();
  QStringList expected;
  for (const std::string& name : chart_names()) expected << QString::fromStdString("chart-" + name);
  EXPECT_EQ(check.figures, expected);
  // Data, losses, estimates, stock summary, bootstrap bands, Mohn's rho, settings.
  EXPECT_EQ(check.tables, 7);

  const std::string html = testing::file_bytes(page.string());
  EXPECT_NE(html.find("20 bootstrap runs"), std::string::npos);
  EXPECT_NE(html.find("3 peels, last years 2013 2012 2011"), std::string::npos);
  EXPECT_NE(html.find("<td>Fleet 4: Aged survey fleet 4 (demo/fleet4.txt)</td>"),
            std::string::npos);
  EXPECT_NE(html.find("by quorvane-plot " + std::string(kProgramVersion)), std::string::npos);
}

// The check itself finds what it is there to find: a ragged table, a figure without a drawing,
// a picture fetched from elsewhere, a script, markup that is not well-formed.
TEST(PageCheck, FindsRaggedTablesMissingDrawingsAndOutsideReferences) {
  const fs::path page = fs::path(::testing::TempDir()) / "quorvane_page_check.html";
  const auto problems = [&page](const std::string& body) {
    std::ofstream(page) << "<!DOCTYPE html>\n<html><body>" << body << "</body></html>";
    return testing::check_page(page.string()).problems;
  };
  const std::string table =
      "<table><thead><tr><th>a</th><th>b</th></tr></thead><tbody><tr><td>1</td><td>2</td></tr>";
  EXPECT_TRUE(problems(table + "</tbody></table>").isEmpty());
  EXPECT_EQ(problems(table + "<tr><td>3</td></tr></tbody></table>").size(), 1);
  EXPECT_EQ(problems("<figure id=\"chart-ssb\"><figcaption>SSB</figcaption></figure>").size(), 1);
  EXPECT_EQ(problems("<p><img src=\"http://example.org/ssb.png\"/></p>").size(), 2);
  EXPECT_EQ(problems("<script>draw()</script>").size(), 1);
  EXPECT_EQ(problems("<p>unclosed</body></html>").size(), 1);
  fs::remove(page);
}

// The demo run twice in two working directories, and once with the catch loss (Text7) measured
// by the sum of squares in place of AMD.
class CompareOnTheDemo : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    work_ = new fs::path(fs::path(::testing::TempDir()) / "quorvane_compare_demo");
    fs::remove_all(*work_);
    batch_ok_ = true;
    for (const auto& [name, extra] :
         {std::pair{"a", ""}, std::pair{"same", ""}, std::pair{"sse", " --set Text7=2"}}) {
      const fs::path dir = *work_ / name;
      fs::create_directories(dir);
      fs::copy(fs::path(QUORVANE_SOURCE_DIR) / "demo", dir / "demo", fs::copy_options::recursive);
      const Command batch =
          run(std::string(QUORVANE_BATCH_EXE) + " --quiet --workdir " + quoted(dir) + " --fields " +
                  quoted(dir / "demo" / "fields.txt") + extra,
              *work_ / "batch.err");
      batch_ok_ = batch_ok_ && batch.exit_code == 0;
    }
  }
  static void TearDownTestSuite() {
    fs::remove_all(*work_);
    delete work_;
  }
  void SetUp() override { ASSERT_TRUE(batch_ok_) << "a demo run failed; see batch.err"; }

  static Command compare(const std::string& a, const std::string& b, const std::string& more) {
    return run(std::string(QUORVANE_COMPARE_EXE) + " " + quoted(*work_ / a / "output.out") + " " +
                   quoted(*work_ / b / "output.out.tables") + " " + more,
               *work_ / "compare.err");
  }

  static inline fs::path* work_ = nullptr;
  static inline bool batch_ok_ = false;
};

TEST_F(CompareOnTheDemo, AChangedCatchLossIsTheOnlySettingListedAndIsDrawn) {
  const fs::path out = fs::path(QUORVANE_PLOT_PICTURE_DIR) / "demo_compare";
  fs::remove_all(out);
  const Command c = compare("a", "sse", "--out " + quoted(out));
  ASSERT_EQ(c.exit_code, 0) << testing::file_bytes((*work_ / "compare.err").string());
  EXPECT_NE(c.out.find("Settings that differ (1):\n  Text7  What to minimize for C(a,y)?"),
            std::string::npos)
      << c.out;
  EXPECT_NE(c.out.find("\n    A: 3\n    B: 2\n"), std::string::npos) << c.out;
  EXPECT_EQ(c.out.find("identical"), std::string::npos);

  const std::string diff = testing::file_bytes((out / "settings_diff.csv").string());
  EXPECT_EQ(std::count(diff.begin(), diff.end(), '\n'), 2) << diff;  // the header and Text7
  EXPECT_TRUE(diff.starts_with("name,label,run_a,run_b\nText7,"));
  // 2014 - 1984 + 1 years and the header.
  const std::string by_year = testing::file_bytes((out / "compare_by_year.csv").string());
  EXPECT_EQ(std::count(by_year.begin(), by_year.end(), '\n'), 32);
  for (const char* name : {"compare_ssb", "compare_fbar", "compare_recruitment"}) {
    EXPECT_TRUE(testing::is_drawn_png((out / (std::string(name) + ".png")).string(), 1200, 800));
  }
}

TEST_F(CompareOnTheDemo, TwoRunsOfTheSameSettingsAreIdentical) {
  const Command c = compare("a", "same", "--format svg --out " + quoted(*work_ / "same_out"));
  ASSERT_EQ(c.exit_code, 0);
  EXPECT_NE(c.out.find("The two runs are identical: the same settings and the same stock "
                       "summary.\n"),
            std::string::npos)
      << c.out;
  EXPECT_TRUE(testing::is_drawn_svg((*work_ / "same_out" / "compare_ssb.svg").string(), 1200, 800));
}

TEST_F(CompareOnTheDemo, AMissingRunOrAThirdOneIsOneLineOnStandardError) {
  const fs::path err = *work_ / "compare.err";
  const Command missing = compare("a", "nowhere", "");
  EXPECT_EQ(missing.exit_code, 1);
  EXPECT_EQ(testing::file_bytes(err.string()),
            "quorvane-compare: " + (*work_ / "nowhere" / "output.out.tables").string() +
                ": no such results file or tables folder\n");
  const Command third = compare("a", "same", "extra");
  EXPECT_EQ(third.exit_code, 2);
  EXPECT_EQ(testing::file_bytes(err.string()),
            "quorvane-compare: two runs only; 'extra' is a third (see --help)\n");
}

}  // namespace
}  // namespace quorvane::plot
