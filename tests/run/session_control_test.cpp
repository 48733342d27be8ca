#include "run/session_control.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "base/errors.h"
#include "run/start.h"
#include "tests/run/small_stock.h"
#include "tests/support/recording_host.h"

namespace quorvane {
namespace {

using testing::RecordingHost;
using testing::slurp;
using testing::SmallStock;

// ---- A stop inside a bootstrap run, and finalization, on a state set by hand ---------------

class StoppedBootstrapRun : public ::testing::Test {
 protected:
  StoppedBootstrapRun() : state_(std::make_unique<RunState>()), s(*state_) {
    s.agemin = 2, s.agemax = 3, s.yearmin = 1, s.yearmax = 2;
    s.Corig(2, 1) = 100, s.Corig(3, 1) = 0, s.Corig(2, 2) = 50, s.Corig(3, 2) = 20;
    s.C = s.Corig;
    s.sigma = 0.3;
    s.boot = 1, s.boottot = 3, s.bootn = 2, s.zz = 1;
    s.PARAM = 2.0, s.PARAM1 = 0.12;
    s.DELTA = 0.2, s.DELTA1 = 0.02;
  }
  std::unique_ptr<RunState> state_;
  RunState& s;
  RecordingHost host{false};
};

TEST_F(StoppedBootstrapRun, RestartRedrawsOnlyTheCatchesAndQuartersTheSteps) {
  host.restart_answer = "1";
  UniformRandom expected_rng = s.rng;
  for (int cell = 0; cell < 4; ++cell) expected_rng.draw();  // two numbers per cell, zeros too

  RESPRINT(s, host);

  EXPECT_EQ(host.calls, (std::vector<std::string>{"clear", "ask restart", "show"}));
  EXPECT_EQ(s.rng, expected_rng);
  EXPECT_EQ(s.C(3, 1), 0.0);  // nothing caught, nothing drawn
  EXPECT_NE(s.C(2, 1), 100.0);
  EXPECT_GT(s.C(2, 1), 0.0);
  EXPECT_EQ(s.DELTA, 0.5);    // 2.0 / 4
  EXPECT_EQ(s.DELTA1, 0.03);  // 0.12 / 4
  EXPECT_EQ(s.zz, 0);
  EXPECT_EQ(s.userend, 0);
  EXPECT_EQ(s.boot, 1);  // the run goes on with the same bootstrap
  EXPECT_EQ(s.bootn, 2);
  EXPECT_EQ(s.contboot, 1);
}

TEST_F(StoppedBootstrapRun, AnAnswerThatIsNotANumberNamesTheFieldAndItsText) {
  host.restart_answer = "yes";
  try {
    RESPRINT(s, host);
    FAIL() << "expected SettingsError";
  } catch (const SettingsError& e) {
    const std::string message = e.what();
    EXPECT_NE(message.find("1.Restart,   2.No (and stop).   Option?:"), std::string::npos);
    EXPECT_NE(message.find("yes"), std::string::npos);
  }
}

// Without a stop nothing is asked (Bootstrap.StopInRunTwoOfThreeAnsweredRestartOrNo: one
// question in three runs), nor after a second STOP while the run unwinds.
TEST_F(StoppedBootstrapRun, NothingIsAskedOnceTheRunIsEnding) {
  s.userend = 1;
  const AgeYearTable catches = s.C;
  RESPRINT(s, host);
  EXPECT_TRUE(host.calls.empty());
  EXPECT_EQ(s.C, catches);
  EXPECT_EQ(s.boot, 1);
}

TEST_F(StoppedBootstrapRun, StopAtTheYieldPointRunsTheRestartQuestionAtOnce) {
  host.stop_at_yield = 1;
  host.restart_answer = "1";
  RunHost run(s, host);
  run.yield();
  EXPECT_EQ(host.calls, (std::vector<std::string>{"clear", "ask restart", "show"}));
  EXPECT_EQ(s.zz, 0);
  EXPECT_EQ(s.DELTA, 0.5);
}

TEST(Finalization, ClosesTheFilesResetsTheFlagsAndMayRunTwice) {
  testing::ScratchDir dir;
  auto state = std::make_unique<RunState>();
  RunState& s = *state;
  s.files.results.create((dir / "output.out").string());
  s.files.minim.create((dir / "minim.out").string());
  s.files.boot[0].create((dir / "bootS1.out").string());
  s.files.boot[6].create((dir / "bootm.out").string());
  s.zz = 1, s.boot = 1, s.bootn = 3, s.boottot = 5, s.contboot = 1, s.userend = 1;
  RecordingHost host(false);

  finalization(s, host);
  finalization(s, host);

  EXPECT_FALSE(s.files.results.is_open());
  EXPECT_FALSE(s.files.minim.is_open());
  for (const PrintFile& f : s.files.boot) EXPECT_FALSE(f.is_open());
  EXPECT_EQ(s.zz, 0);
  EXPECT_EQ(s.boot, 0);
  EXPECT_EQ(s.bootn, 0);
  EXPECT_EQ(s.boottot, 0);
  EXPECT_EQ(s.contboot, 0);
  EXPECT_EQ(s.userend, 1);  // left for the computation to unwind
  EXPECT_EQ(host.calls, (std::vector<std::string>{"hide", "parameters", "hide", "parameters"}));
}

// ---- Whole runs on a small stock ----------------------------------------------------------

class SessionRun : public ::testing::Test {
 protected:
  SmallStock stock;
  RecordingHost host{false};
  RunOutcome run() { return run_start(stock.state(), host, stock.texts()); }
};

TEST_F(SessionRun, QuitClosesEveryFileWithoutWritingResults) {
  host.quit_at_yield = 30;
  host.bootstrap_answer = {"1", "2"};
  ASSERT_EQ(run().status, RunStatus::Completed);
  const RunState& s = stock.state();
  EXPECT_EQ(s.userend, 1);
  EXPECT_FALSE(s.files.results.is_open());
  EXPECT_FALSE(s.files.minim.is_open());
  EXPECT_EQ(slurp(stock.file("output.out")), "");
  EXPECT_EQ(std::find(host.calls.begin(), host.calls.end(), "ask bootstrap"), host.calls.end());
  EXPECT_FALSE(std::filesystem::exists(stock.file("bootf.out")));
}

TEST_F(SessionRun, BootstrapAnswerThatIsNotANumberNamesTheFieldAndItsText) {
  host.bootstrap_answer = {"yes", "100"};
  const RunOutcome outcome = run();
  EXPECT_NE(outcome.status, RunStatus::Completed);
  EXPECT_NE(outcome.message.find("1-Yes; 2-No.  Option?:"), std::string::npos) << outcome.message;
  EXPECT_NE(outcome.message.find("yes"), std::string::npos) << outcome.message;
}

}  // namespace
}  // namespace quorvane
