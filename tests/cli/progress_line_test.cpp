// The batch runner's progress where standard error is not a terminal: plain lines, spaced by a
// clock the test sets by hand.
#include "cli/progress_line.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>

namespace quorvane {
namespace {

using Clock = ProgressLine::Clock;

class ProgressLog : public ::testing::Test {
 protected:
  // Sets the clock to `seconds` after the start.
  void at(double seconds) {
    now_ = Clock::time_point{} +
           std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
  }
  std::unique_ptr<ProgressLine> line(ProgressLine::Kind kind) {
    return std::make_unique<ProgressLine>(
        kind, [this] { return now_; }, [this](std::string_view text) { written_ += text; });
  }

  Clock::time_point now_{};
  std::string written_;
};

TEST_F(ProgressLog, TheLineOfTheMomentAtMostEveryTenSecondsAndEachStepAtOnce) {
  const auto log = line(ProgressLine::Kind::Log);
  at(9.9);
  log->show("a");  // under 10 s since the start: a short run leaves no line
  at(10);
  log->show("b");
  at(19.9);
  log->show("c");  // 9.9 s after b
  at(19.95);
  log->note("step");  // at once, and the next 10 s count from it
  at(29.9);
  log->show("d");
  at(29.95);
  log->show("e");
  EXPECT_EQ(written_, "b\nstep\ne\n");
}

TEST_F(ProgressLog, QuietWritesNothingAndATerminalRewritesOneLine) {
  const auto quiet = line(ProgressLine::Kind::Off);
  at(60);
  quiet->show("a");
  quiet->note("step");
  EXPECT_EQ(written_, "");

  const auto terminal = line(ProgressLine::Kind::Terminal);
  terminal->note("step");  // the terminal's line shows the step anyway
  terminal->show("b");
  terminal->clear();
  EXPECT_EQ(written_, "\rb\x1b[K\r\x1b[K");
}

}  // namespace
}  // namespace quorvane
