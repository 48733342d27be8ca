// Complete estimations through the batch runner on the demo stock with the surveys off, one
// option changed at a time from the defaults: every run must end normally, write the results
// file, and log one line per evaluation of the objective in the columns of the search log.
// Options that a reference case of tests/data/reference runs (Methods 1 and 3, MDN and SSE,
// Modes 1 and 4, the ALFA scan, two selection periods, the precise search) are pinned there
// byte for byte, search log included, and are not repeated here.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/written_files.h"

namespace quorvane::e2e {
namespace {

using namespace quorvane::testing;

struct OptionRun {
  const char* name;
  std::string fields;  // "name=value ...", on top of the demo's own fields with the surveys off
  // Scan mode: the values of the outer M loop (one 0 with M known), each with the default f grid.
  // Precise mode: empty.
  std::vector<double> outer_grid;
};

// The default f grid: 1 to 5 by 0.25, 17 points, all reached exactly by repeated addition.
const std::vector<double> kFGrid = {1,    1.25, 1.5,  1.75, 2,    2.25, 2.5,  2.75, 3,
                                    3.25, 3.5,  3.75, 4,    4.25, 4.5,  4.75, 5};
const std::vector<double> kMKnown = {0};

// A smaller block for the slow searches (the direct search of Method 4, the precise search of
// ALFA): ages 3-9 of 2005-2014. Method 4 on the whole demo block is a reference case.
const std::string kSmallBlock =
    "first_year=2005 last_year=2014 first_period_end=2014 first_age=3 last_age=9 ";

const OptionRun kRuns[] = {
    // An M grid of binary fractions, so that repeated addition lands on the last point.
    {"MConstantScan",
     "m_option=1 m_scan_low=0.125 m_scan_high=0.375 m_scan_step=0.125",
     {0.125, 0.25, 0.375}},
    {"MConstantPrecise", "m_option=1 search=2", {}},
    {"Method4SmallBlock", kSmallBlock + "method=4", kMKnown},
    {"Method4SmallBlockNormalLastAgeSse", kSmallBlock + "method=4 last_age_kind=2 catch_loss=2",
     kMKnown},
    {"MOfAgePreciseSmallBlock", kSmallBlock + "m_option=2 search=2", {}},
    {"Mode2", "mode=2", kMKnown},
    {"Mode3AllCatchControlled", "mode=3 mix=1", kMKnown},
    {"NormalLastAge", "last_age_kind=2", kMKnown},
    {"TwoSelectionPeriodsMode4NormalLastAge", "first_period_end=2004 mode=4 last_age_kind=2",
     kMKnown},
};

class OptionRunTest : public ::testing::TestWithParam<OptionRun> {};

TEST_P(OptionRunTest, CompletesAndLogsEveryEvaluationInItsColumns) {
  const OptionRun& option = GetParam();
  ScratchDir dir;
  copy_folder(kSourceDir / "demo", dir / "demo");
  std::string args =
      "--quiet --fields demo/fields.txt --set ssb_on=2 --set fleets_on=2 --set triple=2";
  std::istringstream fields(option.fields);
  for (std::string field; fields >> field;) args += " --set " + field;
  const BatchRun run = run_batch(dir.path(), args);
  ASSERT_EQ(run.exit_code, 0) << run.describe();
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(lines_of(dir / "output.out").at(0), "FILE OF RESULTS");

  // The numbers of each line of the search log below its header (its print columns are pinned by
  // the reference cases of tests/data/reference).
  const std::vector<std::string> lines = lines_of(dir / "minim.out");
  std::vector<std::vector<double>> log;
  for (std::size_t i = 1; i < lines.size(); ++i) log.push_back(numbers_in(lines[i]));
  ASSERT_FALSE(log.empty());
  constexpr std::size_t kF = 0, kMc = 2, kAlfa = 3, kTotal = 5;
  // Every evaluation fits a positive stock and loss; a negative value would leave its cell blank.
  for (const std::vector<double>& line : log) {
    ASSERT_EQ(line.size(), kTotal + 1);
    EXPECT_GT(line[1], 0);
    EXPECT_GE(line[kTotal], 0);
  }
  // The last line is the evaluation at the point the run reports, written with 5 decimals.
  const std::size_t at = run.out.find("\nTerminal f: ");
  ASSERT_NE(at, std::string::npos) << run.out;
  EXPECT_EQ(log.back()[kF], std::round(std::stod(run.out.substr(at + 13)) * 1e5) / 1e5);

  if (option.outer_grid.empty()) {
    // Precise: the start point, one step below it, a climb and at least one refinement.
    EXPECT_GE(log.size(), 4u);
    return;
  }
  // Scan: the f loop inside the M loop, then one more evaluation at the best point.
  const std::size_t points = option.outer_grid.size() * kFGrid.size();
  ASSERT_EQ(log.size(), points + 1);
  for (std::size_t i = 0; i < points; ++i) {
    EXPECT_EQ(log[i][kF], kFGrid[i % kFGrid.size()]) << "line " << i + 2;
    EXPECT_EQ(log[i][kMc], option.outer_grid[i / kFGrid.size()]) << "line " << i + 2;
    EXPECT_EQ(log[i][kAlfa], 0) << "line " << i + 2;
  }
  // The final evaluation stands at a grid point of the smallest logged loss (rounding keeps the
  // order, so the unrounded minimum also shows the smallest rounded loss).
  const std::vector<double>& final = log.back();
  const double best = std::min_element(log.begin(), log.end() - 1, [](auto& a, auto& b) {
                        return a[kTotal] < b[kTotal];
                      })->at(kTotal);
  EXPECT_TRUE(std::any_of(log.begin(), log.end() - 1,
                          [&](const std::vector<double>& l) {
                            return l[kF] == final[kF] && l[kMc] == final[kMc] && l[kTotal] == best;
                          }))
      << "final f " << final[kF] << ", smallest loss " << best;
}

INSTANTIATE_TEST_SUITE_P(DemoStock, OptionRunTest, ::testing::ValuesIn(kRuns),
                         [](const ::testing::TestParamInfo<OptionRun>& info) {
                           return std::string(info.param.name);
                         });

}  // namespace
}  // namespace quorvane::e2e
