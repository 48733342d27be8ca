#include "run/driver.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "tests/support/recording_host.h"

namespace quorvane {
namespace {

// ---- The scan grid ------------------------------------------------------------------------

// The grid is built by repeated addition of the step, as the scan loop runs it:
// - 1 to 5 by 0.25: quarters are exact in binary, so the sum lands on 5 (17 points);
// - 0.01 to 0.8 by 0.01: seventy-eight additions give 0.7900000000000005 and the next
//   0.8000000000000005 > 0.8, so 79 points (lowest + k * step would reach 0.8 and give 80);
// - 0.1 to 0.7 by 0.1: six additions give exactly the double 0.7, while 0.1 + 6 * 0.1 would be
//   0.7000000000000001 and fall outside (7 points).
TEST(ScanGrid, RepeatedAdditionDecidesTheLastPoint) {
  struct Case {
    double lowest, highest, step;
    std::size_t points;
    double last;
  };
  for (const Case& c : {Case{1, 5, 0.25, 17, 5.0}, Case{0.01, 0.8, 0.01, 79, 0.7900000000000005},
                        Case{0.1, 0.7, 0.1, 7, 0.7}}) {
    const std::vector<double> grid = scan_grid(c.lowest, c.highest, c.step);
    ASSERT_EQ(grid.size(), c.points) << c.highest;
    EXPECT_EQ(grid.front(), c.lowest);
    EXPECT_EQ(grid.back(), c.last);
  }
}

// ---- Searches with a stand-in objective ---------------------------------------------------

// The stand-in objective applies the search protocol as the whole objective does (METKA names
// the parameter that PARAM sets, the value is put back after the evaluation), records where it
// was evaluated and returns a loss chosen by the test.
struct Evaluation {
  double f, mc, alfa;
};
std::vector<Evaluation> g_evaluations;
double (*g_loss)(const RunState&) = nullptr;
std::size_t g_userend_after = 0;  // set userend after this many evaluations (0: never)

void stand_in_objective(RunState& s, Host&) {
  if (s.userend == 1) return;
  double* parameter = nullptr;
  if (s.METKA == 1000) parameter = &s.f[s.yearmax];
  if (s.METKA == 2000) parameter = &s.MC;
  if (s.METKA == 3000) parameter = &s.LALFA;
  if (parameter) *parameter = s.PARAM;
  g_evaluations.push_back({s.f[s.yearmax], s.MC, s.LALFA});
  s.SSEALL = g_loss(s);
  if (parameter) s.PARAM = *parameter;
  if (g_evaluations.size() == g_userend_after) s.userend = 1;
}

class SearchTest : public ::testing::Test {
 protected:
  SearchTest() : state_(std::make_unique<RunState>()), s(*state_) {
    g_evaluations.clear();
    g_userend_after = 0;
    s.agemin = 2;
    s.agemax = 4;
    s.yearmin = 1;
    s.yearmax = 3;
    s.yearmid = 3;
  }
  std::unique_ptr<RunState> state_;
  RunState& s;
  testing::RecordingHost host{false};
};

TEST_F(SearchTest, ScanRunsMOuterAndFInnerAndRefitsAtTheLastTiedPoint) {
  s.n1 = 1;
  s.fscanmin = 1, s.fscanmax = 2, s.fscanstep = 0.5;
  // M: 0.1, 0.2, then 0.30000000000000004 > 0.3: two outer values.
  s.mscanmin = 0.1, s.mscanmax = 0.3, s.mscanstep = 0.1;
  g_loss = [](const RunState&) { return 5.0; };  // every point ties
  scan_search(s, host, stand_in_objective);

  const std::vector<std::pair<double, double>> expected = {
      {1.0, 0.1}, {1.5, 0.1}, {2.0, 0.1}, {1.0, 0.2},
      {1.5, 0.2}, {2.0, 0.2}, {2.0, 0.2}};  // the final fit at the last of the tied points
  ASSERT_EQ(g_evaluations.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(g_evaluations[i].f, expected[i].first) << "evaluation " << i;
    EXPECT_EQ(g_evaluations[i].mc, expected[i].second) << "evaluation " << i;
  }
  EXPECT_EQ(s.SSEALLminimal, 5.0);
}

TEST_F(SearchTest, ScanStopsBeforeTheNextEvaluationOnceTheUserHasEnded) {
  s.n1 = 3;
  s.fscanmin = 1, s.fscanmax = 5, s.fscanstep = 0.25;
  g_loss = [](const RunState&) { return 1.0; };
  g_userend_after = 2;
  scan_search(s, host, stand_in_objective);
  EXPECT_EQ(g_evaluations.size(), 2u);  // no third point and no final fit
}

// ---- Starting values ----------------------------------------------------------------------

TEST_F(SearchTest, StartingValuesReplaceMOnlyInsideTheBlockWhenMIsSearched) {
  s.n1 = 1;
  s.mscanmin = 0.25;
  s.M.fill(0.3);
  s.f[s.yearmax] = 2.2;
  set_starting_values(s);
  EXPECT_EQ(s.M(2, 1), 0.17);
  EXPECT_EQ(s.M(4, 3), 0.17);
  EXPECT_EQ(s.M(5, 3), 0.3);  // an age beyond the block
  EXPECT_EQ(s.M(2, 4), 0.3);  // a year beyond the block
  EXPECT_EQ(s.MC, 0.25);
  EXPECT_EQ(s.PREVMC, 3);
  EXPECT_EQ(s.f[s.yearmax], 1.0);
  // Three ages: a flat pattern of 1/3.
  EXPECT_EQ(s.s1[3], 1.0 / 3);
  EXPECT_EQ(s.s2[4], 1.0 / 3);
  EXPECT_EQ(s.s(2, 2), 1.0 / 3);
  EXPECT_EQ(s.gfactor(4, 3), 1.0);
}

}  // namespace
}  // namespace quorvane
