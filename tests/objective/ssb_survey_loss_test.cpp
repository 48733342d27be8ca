#include "objective/ssb_survey_loss.h"

#include <gtest/gtest.h>

#include "base/errors.h"
#include "tests/support/recording_host.h"
#include "tests/support/small_block.h"

namespace quorvane {
namespace {

using testing::fill_block;
using testing::fill_by_age;
using testing::keep_maturity;
using testing::RecordingHost;
using testing::small_block;

constexpr double kTol = 1e-12;

// Ages 2, 3 by years 1..3: mat 0.5 and 1, stock weights 1 and 2, M = 0.2, N: age 2 1000, 2000,
// 1000; age 3 500, 500, 1500. SSB at the start of the year: 1500, 2000, 3500. The catch weights
// (9 everywhere) weigh no spawning stock.
std::unique_ptr<RunState> two_by_three() {
  auto s = small_block(2, 3);
  keep_maturity(*s, {0.5, 1.0});
  fill_by_age(*s, s->SW, {{1, 1, 1}, {2, 2, 2}});
  fill_by_age(*s, s->W, {{9, 9, 9}, {9, 9, 9}});
  fill_by_age(*s, s->N, {{1000, 2000, 1000}, {500, 500, 1500}});
  s->totalinds = 2;
  s->ssbrel[1] = 1;
  s->ssbrel[2] = 2;
  return s;
}

TEST(CalcSSESSB, AbsoluteAndRelativeSurveysAtTheStartOfTheYear) {
  auto s = two_by_three();
  RecordingHost host;
  s->parysp = 0;
  // Absolute: 1500 e^0.1, nothing in year 2, 3500 e^-0.2: residuals -0.1 and 0.2.
  s->ssbind[1] = {0, 1657.7563771134717, 0, 2865.5576357729365};
  // Relative: four times the SSB, year 2 negative (no observation): ind * k = SSB, k = 1/4.
  s->ssbind[2] = {0, 6000, -2000, 14000};
  calcSSESSB(*s, host);
  EXPECT_EQ(s->kssb[1], 1.0);
  EXPECT_NEAR(s->errssb[1], 0.05, kTol);
  EXPECT_NEAR(s->kssb[2], 0.25, kTol);
  EXPECT_NEAR(s->errssb[2], 0.0, kTol);
}

TEST(CalcSSESSB, SurveyTimeSsbUsesTheMortalityImpliedByTheCatch) {
  auto s = two_by_three();
  RecordingHost host;
  // PHY = 1 - e^-0.3: Z = 0.2 + 0.3 = 0.5, at parysp 0.4 a factor e^-0.2 = 0.818730753077982.
  fill_block(*s, s->PHY, 0.2591817793182821);
  s->parysp = 0.4;
  const double c = 4 * 0.8187307530779818;
  s->ssbind[2] = {0, 1500 * c, 2000 * c, 3500 * c};
  s->totalinds = 2;
  calcSSESSB(*s, host);
  EXPECT_NEAR(s->kssb[2], 0.25, kTol);
  EXPECT_NEAR(s->errssb[2], 0.0, kTol);
  EXPECT_EQ(s->kssb[1], 1.0);  // survey 1 without observations: k = 1, loss 0
  EXPECT_EQ(s->errssb[1], 0.0);

  s->PHY(3, 2) = 1;  // nothing survives: Z is not defined
  EXPECT_THROW(calcSSESSB(*s, host), ArithmeticFault);
}

}  // namespace
}  // namespace quorvane
