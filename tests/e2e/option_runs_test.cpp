// Complete estimations through the batch runner on the demo stock with the surveys off, one
// option changed at a time from the defaults: every run must end normally, write the results
// file, and log one line per evaluation of the objective in the columns of the search log.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "e2e/e2e_support.h"

namespace quorvane::e2e {
namespace {

struct OptionRun {
  const char* name;
  Fields fields;  // on top of the demo's own fields with the surveys off
  // Scan mode: the values of the outer loop (M or ALFA; one 0 with M known) and of the f loop.
  // Precise mode: both empty.
  std::vector<double> outer_grid;
  std::vector<double> f_grid;
};

// The default f grid: 1 to 5 by 0.25, 17 points, all reached exactly by repeated addition.
const std::vector<double> kDefaultFGrid = {1,    1.25, 1.5,  1.75, 2,    2.25, 2.5,  2.75, 3,
                                           3.25, 3.5,  3.75, 4,    4.25, 4.5,  4.75, 5};
const std::vector<double> kMKnown = {0};

// M and ALFA grids of binary fractions, so that repeated addition lands on the last point.
const Fields kMScan = {{FieldId::MOption, "1"}, {FieldId::MScanLow, "0.125"}, {FieldId::MScanHigh, "0.375"}, {FieldId::MScanStep, "0.125"}};
const Fields kAlfaScan = {{FieldId::MOption, "2"}, {FieldId::AlfaScanLow, "0.015625"}, {FieldId::AlfaScanHigh, "0.03125"}, {FieldId::AlfaScanStep, "0.015625"}};

// A smaller block for the slow searches (the direct search of Method 4, the precise search of
// ALFA): ages 3-9 of 2005-2014. Method 4 on the whole demo block is a reference case.
Fields small_block(Fields more) {
  Fields fields = {{FieldId::FirstYear, "2005"}, {FieldId::LastYear, "2014"}, {FieldId::FirstPeriodEnd, "2014"}, {FieldId::FirstAge, "3"}, {FieldId::LastAge, "9"}};
  fields.insert(fields.end(), more.begin(), more.end());
  return fields;
}

const OptionRun kRuns[] = {
    // Defaults: M known, Method 2, AMD, Mode 3, plus group, one selection period, scan.
    {"Defaults", {}, kMKnown, kDefaultFGrid},
    {"MConstantScan", kMScan, {0.125, 0.25, 0.375}, kDefaultFGrid},
    {"MOfAgeScan", kAlfaScan, {0.015625, 0.03125}, kDefaultFGrid},
    {"MConstantPrecise", {{FieldId::MOption, "1"}, {FieldId::Search, "2"}}, {}, {}},
    {"Method1", {{FieldId::Method, "1"}}, kMKnown, kDefaultFGrid},
    {"Method3", {{FieldId::Method, "3"}}, kMKnown, kDefaultFGrid},
    {"Method4SmallBlock", small_block({{FieldId::Method, "4"}}), kMKnown, kDefaultFGrid},
    {"Method4SmallBlockNormalLastAgeSse", small_block({{FieldId::Method, "4"}, {FieldId::LastAgeKind, "2"}, {FieldId::CatchLoss, "2"}}), kMKnown,
     kDefaultFGrid},
    {"Method4SmallBlockPrecise", small_block({{FieldId::Method, "4"}, {FieldId::Search, "2"}}), {}, {}},
    {"MOfAgePreciseSmallBlock", small_block({{FieldId::MOption, "2"}, {FieldId::Search, "2"}}), {}, {}},
    {"LossMdn", {{FieldId::CatchLoss, "1"}}, kMKnown, kDefaultFGrid},
    {"LossSse", {{FieldId::CatchLoss, "2"}}, kMKnown, kDefaultFGrid},
    {"Mode1", {{FieldId::Mode, "1"}}, kMKnown, kDefaultFGrid},
    {"Mode2", {{FieldId::Mode, "2"}}, kMKnown, kDefaultFGrid},
    {"Mode3AllCatchControlled", {{FieldId::Mode, "3"}, {FieldId::Mix, "1"}}, kMKnown, kDefaultFGrid},
    {"Mode4", {{FieldId::Mode, "4"}}, kMKnown, kDefaultFGrid},
    {"NormalLastAge", {{FieldId::LastAgeKind, "2"}}, kMKnown, kDefaultFGrid},
    {"TwoSelectionPeriods", {{FieldId::FirstPeriodEnd, "2004"}}, kMKnown, kDefaultFGrid},
    {"TwoSelectionPeriodsMode4NormalLastAge",
     {{FieldId::FirstPeriodEnd, "2004"}, {FieldId::Mode, "4"}, {FieldId::LastAgeKind, "2"}},
     kMKnown,
     kDefaultFGrid},
    {"Precise", {{FieldId::Search, "2"}}, {}, {}},
};

class OptionRunTest : public ::testing::TestWithParam<OptionRun> {};

double rounded(double x, int decimals) {
  const double scale = std::pow(10.0, decimals);
  return std::round(x * scale) / scale;
}

TEST_P(OptionRunTest, CompletesAndLogsEveryEvaluationInItsColumns) {
  const OptionRun& option = GetParam();
  ScratchDir dir;
  copy_folder(kSourceDir / "demo", dir / "demo");
  const BatchRun run = run_batch(
      dir.path(), "--quiet --fields demo/fields.txt --set Text38=2 --set Text47=2 --set Text112=2" +
                      set_args(option.fields));
  ASSERT_EQ(run.exit_code, 0) << run.describe();
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(lines_of(dir / "output.out").at(0), "FILE OF RESULTS");

  const std::vector<LogLine> log = read_search_log(dir / "minim.out", 0);
  ASSERT_FALSE(log.empty());
  constexpr std::size_t kF = 0, kMc = 2, kAlfa = 3, kTotal = 5;
  // Every evaluation fits a positive stock and loss; nothing negative is left blank.
  for (const LogLine& line : log) {
    for (const auto& v : line) ASSERT_TRUE(v.has_value());
    EXPECT_GT(*line[1], 0);
    EXPECT_GE(*line[kTotal], 0);
  }
  // The last line is the evaluation at the point the run reports.
  const double terminal_f = summary_value(run.out, "Terminal f");
  ASSERT_FALSE(std::isnan(terminal_f)) << run.out;
  EXPECT_EQ(*log.back()[kF], rounded(terminal_f, 5));

  if (option.f_grid.empty()) {
    // Precise: the start point, one step below it, a climb and at least one refinement.
    EXPECT_GE(log.size(), 4u);
    return;
  }
  // Scan: the f loop inside the M (or ALFA) loop, then one more evaluation at the best point.
  const std::size_t points = option.outer_grid.size() * option.f_grid.size();
  ASSERT_EQ(log.size(), points + 1);
  const bool alfa = std::find(option.fields.begin(), option.fields.end(),
                              std::pair<FieldId, std::string>{FieldId::MOption, "2"}) != option.fields.end();
  const std::size_t outer_column = alfa ? kAlfa : kMc, other_column = alfa ? kMc : kAlfa;
  double best = *log[0][kTotal];
  for (std::size_t i = 0; i < points; ++i) {
    EXPECT_EQ(*log[i][kF], option.f_grid[i % option.f_grid.size()]) << "line " << i + 2;
    EXPECT_EQ(*log[i][outer_column], option.outer_grid[i / option.f_grid.size()]) << i + 2;
    EXPECT_EQ(*log[i][other_column], 0) << "line " << i + 2;
    best = std::min(best, *log[i][kTotal]);
  }
  // The final evaluation stands at a grid point of the smallest logged loss (rounding keeps the
  // order, so the unrounded minimum also shows the smallest rounded loss).
  const LogLine& final = log.back();
  bool at_a_best_point = false;
  for (std::size_t i = 0; i < points; ++i) {
    at_a_best_point |= log[i][kF] == final[kF] && log[i][kMc] == final[kMc] &&
                       log[i][kAlfa] == final[kAlfa] && *log[i][kTotal] == best;
  }
  EXPECT_TRUE(at_a_best_point) << "final f " << *final[kF] << ", smallest loss " << best;
}

INSTANTIATE_TEST_SUITE_P(DemoStock, OptionRunTest, ::testing::ValuesIn(kRuns),
                         [](const ::testing::TestParamInfo<OptionRun>& info) {
                           return std::string(info.param.name);
                         });

// The whole default road with the demo's surveys: one SSB survey and four aged fleets, generation
// factors on, the default f grid; then three bootstrap runs after it. Every pass logs the grid and
// its final evaluation; each bootstrap file holds its header and the passes 0 to 3 (no S2 file
// with one selection period, no M file with M known).
TEST(DefaultRoad, SurveysFleetsAndThreeBootstrapRuns) {
  ScratchDir dir;
  copy_folder(kSourceDir / "demo", dir / "demo");
  const BatchRun run = run_batch(dir.path(), "--fields demo/fields.txt --bootstrap 3");
  ASSERT_EQ(run.exit_code, 0) << run.describe();

  const std::vector<LogLine> log = read_search_log(dir / "minim.out", 5);
  ASSERT_EQ(log.size(), 4 * (kDefaultFGrid.size() + 1));
  for (std::size_t i = 0; i < log.size(); ++i) {
    if (i % 18 < 17) {
      EXPECT_EQ(*log[i][0], kDefaultFGrid[i % 18]) << "line " << i + 2;
    }
  }
  for (const char* name :
       {"bootS1.out", "bootf.out", "bootTSB.out", "bootNtrm.out", "bootSSB.out"}) {
    const std::vector<std::vector<double>> lines = bootstrap_lines(dir / name);
    ASSERT_EQ(lines.size(), 4u) << name;
    for (std::size_t i = 0; i < lines.size(); ++i) EXPECT_EQ(lines[i].at(0), i) << name;
  }
  EXPECT_FALSE(fs::exists(dir / "bootS2.out"));
  EXPECT_FALSE(fs::exists(dir / "bootm.out"));
}

}  // namespace
}  // namespace quorvane::e2e
