#include "report/batch_progress.h"

#include <gtest/gtest.h>

namespace quorvane {
namespace {

TEST(BatchProgress, LineShowsStageEvaluationsFitAndTimeLeftWhereKnown) {
  ProgressSnapshot p;
  p.stage = "bootstrap 3 of 20";
  p.evaluations = 152;
  p.terminal_f = 2.75;
  p.total_loss = 17.1921593591;
  p.seconds_left = 80;
  EXPECT_EQ(progress_text(p),
            "bootstrap 3 of 20 | 152 evaluations | f 2.75 | loss 17.19 | about 1 min 20 s left");
  ProgressSnapshot start;
  start.stage = "main run";
  start.evaluations = 1;
  EXPECT_EQ(progress_text(start), "main run | 1 evaluation");
}

// Two of five runs took 30 s: 15 s each, three left, 45 s.
TEST(BatchProgress, TimeLeftScalesTheMeanOfTheFinishedRuns) {
  EXPECT_FALSE(time_left(12, 0, 5));
  EXPECT_DOUBLE_EQ(*time_left(30, 2, 5), 45);
  EXPECT_DOUBLE_EQ(*time_left(30, 5, 5), 0);
}

TEST(BatchProgress, DurationsInSecondsMinutesOrHours) {
  EXPECT_EQ(duration_text(44.6), "45 s");
  EXPECT_EQ(duration_text(59.4), "59 s");
  EXPECT_EQ(duration_text(185), "3 min 05 s");
  EXPECT_EQ(duration_text(7620), "2 h 07 min");
  EXPECT_EQ(duration_text(-3), "0 s");
}

}  // namespace
}  // namespace quorvane
