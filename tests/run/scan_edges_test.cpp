#include "run/scan_edges.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace quorvane {
namespace {

// An end is a grid point, found again within half a step (bootstrap lines and a typed value come
// back rounded); a step that does not divide the range ends the grid at the last point reached,
// not at the highest value asked for; a grid of one point has no end to be stuck at.
TEST(GridEnd, FirstAndLastPointWithinHalfAStep) {
  const std::vector<double> quarters{1, 1.25, 1.5, 1.75, 2};
  EXPECT_EQ(grid_end(quarters, 1), GridEnd::Lowest);
  EXPECT_EQ(grid_end(quarters, 2), GridEnd::Highest);
  EXPECT_EQ(grid_end(quarters, 1.99999), GridEnd::Highest);
  EXPECT_EQ(grid_end(quarters, 1.25), GridEnd::Inside);
  EXPECT_EQ(grid_end(quarters, 1.75), GridEnd::Inside);
  EXPECT_EQ(grid_end({1, 1.5, 2, 2.5}, 2.5), GridEnd::Highest);  // 1 to 2.9 by 0.5
  EXPECT_EQ(grid_end({3}, 3), GridEnd::Inside);
}

class ScanEdgeNotes : public ::testing::Test {
 protected:
  ScanEdgeNotes() : state_(std::make_unique<RunState>()), s(*state_) {
    s.scansearch = 1;
    s.n1 = 3;
    s.fscanmin = 1;
    s.fscanmax = 5;
    s.fscanstep = 0.25;
    // With M known the M bounds are not read: a step of 0 must not be walked.
    s.mscanmin = 2.4;
    s.mscanmax = 0;
    s.mscanstep = 0;
    fit.complete = true;
  }
  std::unique_ptr<RunState> state_;
  RunState& s;
  ResultsRecord fit;
};

TEST_F(ScanEdgeNotes, BestPointAtAnEndOfEachScannedAxisIsNamedWithItsField) {
  fit.terminal_f = 5;
  EXPECT_EQ(scan_edge_notes(s, fit),
            std::vector<std::string>{
                "The best terminal f, 5, is the highest value scanned (If Scan: Highest f :, "
                "Text18): the loss may go on falling above it. Widen the scan, or search "
                "precisely."});
  fit.terminal_f = 2.75;
  EXPECT_TRUE(scan_edge_notes(s, fit).empty());

  // M scanned from 0.01 to 0.8: the least loss at the lowest M, the f inside.
  s.n1 = 1;
  s.mscanmin = 0.01;
  s.mscanmax = 0.8;
  s.mscanstep = 0.01;
  fit.m = 0.01;
  const std::vector<std::string> m_notes = scan_edge_notes(s, fit);
  ASSERT_EQ(m_notes.size(), 1u);
  EXPECT_EQ(m_notes[0].substr(0, 51), "The best M, 0.01, is the lowest value scanned (If M");
  EXPECT_NE(m_notes[0].find("Lowest M:, Text22): the loss may go on falling below it."),
            std::string::npos);
}

// The note is about a fit found by a scan: a precise search has no grid, and a stopped or
// unfinished run is not a fit.
TEST_F(ScanEdgeNotes, NoneWithoutAFinishedScan) {
  fit.terminal_f = 1;
  ASSERT_EQ(scan_edge_notes(s, fit).size(), 1u);
  fit.stopped = true;
  EXPECT_TRUE(scan_edge_notes(s, fit).empty());
  fit.stopped = false;
  fit.complete = false;
  EXPECT_TRUE(scan_edge_notes(s, fit).empty());
  fit.complete = true;
  s.scansearch = 2;
  EXPECT_TRUE(scan_edge_notes(s, fit).empty());
}

TEST_F(ScanEdgeNotes, BootstrapRunsAtTheEndsAreCountedByEnd) {
  const auto run_ending = [](double terminal_f) {
    BootstrapRun run;
    run.f = {0.4, 0.7, terminal_f};
    return run;
  };
  for (double f : {5.0, 3.0, 5.0, 2.0}) fit.bootstrap.push_back(run_ending(f));
  EXPECT_EQ(bootstrap_edge_note(s, fit),
            "2 of 4 bootstrap runs took the highest terminal f scanned (If Scan: Highest f :, "
            "Text18): their estimates are the scan's bound, not a fit. Widen the scan.");
  fit.bootstrap.push_back(run_ending(1));
  EXPECT_NE(bootstrap_edge_note(s, fit).find(
                "2 of 5 bootstrap runs took the highest terminal f scanned (If Scan: Highest f :, "
                "Text18); 1 of 5 bootstrap runs took the lowest terminal f scanned (If Scan: Lowest "
                "f :, Text17): "),
            std::string::npos);
  fit.bootstrap.resize(2);
  fit.bootstrap[0] = run_ending(3);
  fit.bootstrap[1] = run_ending(1);
  EXPECT_EQ(bootstrap_edge_note(s, fit).substr(0, 86),
            "1 of 2 bootstrap runs took the lowest terminal f scanned (If Scan: Lowest f :, "
            "Text17)");
  fit.bootstrap[1] = run_ending(4.75);
  EXPECT_EQ(bootstrap_edge_note(s, fit), "");

  // A scan over M as well (0.1, 0.2, 0.3): the runs' M is counted on its own axis.
  s.n1 = 1;
  s.mscanmin = 0.1;
  s.mscanmax = 0.35;
  s.mscanstep = 0.1;
  fit.bootstrap[0].outer = 0.2;
  fit.bootstrap[1].outer = 0.30000000000000004;
  EXPECT_EQ(bootstrap_edge_note(s, fit),
            "1 of 2 bootstrap runs took the highest M scanned (If M=const -? and if Scan: Highest "
            "M:, Text23): their estimates are the scan's bound, not a fit. Widen the scan.");
}

}  // namespace
}  // namespace quorvane
