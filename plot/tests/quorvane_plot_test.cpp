// quorvane-plot on the demo stock after a run with a 20-run bootstrap and a 3-year
// retrospective: every chart the tables support is written, as PNG and as SVG. The PNGs are kept
// in the build folder (demo_plots/) for a person to look at.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "plot/charts.h"
#include "plot/tests/image_checks.h"

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

}  // namespace
}  // namespace quorvane::plot
