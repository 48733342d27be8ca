#include "objective/ssb_survey_loss.h"

#include <gtest/gtest.h>

#include "state/errors.h"
#include "tests/support/objective_fixture.h"
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

// Two ages (indices 2, 3) by three years; mat = 0.5 and 1, W = 1 and 2, M = 0.2.
// N: age 2 1000, 2000, 1000; age 3 500, 500, 1500. Beginning-of-year SSB:
//   y1 0.5*1*1000 + 1*2*500 = 1500,  y2 1000 + 1000 = 2000,  y3 500 + 3000 = 3500.
std::unique_ptr<RunState> two_by_three() {
  auto s = small_block(2, 3);
  keep_maturity(*s, {0.5, 1.0});
  fill_by_age(*s, s->W, {{1, 1, 1}, {2, 2, 2}});
  fill_by_age(*s, s->N, {{1000, 2000, 1000}, {500, 500, 1500}});
  s->totalinds = 1;
  s->parysp = 0;
  return s;
}

TEST(CalcSSESSB, AbsoluteSurveyAtTheStartOfTheYearComparesWithBeginningOfYearSsb) {
  auto s = two_by_three();
  RecordingHost host;
  s->ssbrel[1] = 1;
  // 1500 e^0.1 and 3500 e^-0.2; year 2 has no observation.
  s->ssbind[1] = {0, 1657.7563771134717, 0, 2865.5576357729365};
  calcSSESSB(*s, host);
  EXPECT_EQ(s->kssb[1], 1.0);
  // Residuals ln SSB - ln survey: -0.1 and 0.2; 0.01 + 0.04 = 0.05.
  EXPECT_NEAR(s->errssb[1], 0.05, kTol);
  EXPECT_EQ(s->curinds, 1);
  EXPECT_EQ(s->ppa, 3);  // the maturity was looked up cell by cell, the last one (agemax, yearmax)
  EXPECT_EQ(s->ppy, 3);
}

TEST(CalcSSESSB, RelativeSurveyProportionalToModelSsbGetsTheInverseConstantAndNoLoss) {
  auto s = two_by_three();
  RecordingHost host;
  // PHY = 1 - e^-0.3, so Z = 0.2 + 0.3 = 0.5 and at parysp = 0.4 the survivors are e^-0.2 =
  // 0.818730753077982 of the start: SSBsurv = 1228.09613, 1637.46151, 2865.55764. The survey is
  // four times that: kssb = 1/4 and every residual is 0.
  fill_block(*s, s->PHY, 0.2591817793182821);
  s->parysp = 0.4;
  s->totalinds = 2;
  s->ssbrel[1] = 2;
  s->ssbrel[2] = 1;
  const double four_c = 4 * 0.8187307530779818;
  s->ssbind[1] = {0, 1500 * four_c, 2000 * four_c, 3500 * four_c};
  s->ssbind[2] = s->ssbind[1];
  calcSSESSB(*s, host);
  EXPECT_NEAR(s->kssb[1], 0.25, kTol);
  EXPECT_NEAR(s->errssb[1], 0.0, kTol);
  // The same data taken as absolute: k = 1 and three residuals of -ln 4: 3 (ln 4)^2.
  EXPECT_EQ(s->kssb[2], 1.0);
  EXPECT_NEAR(s->errssb[2], 5.765436167018416, kTol);
}

TEST(CalcSSESSB, YearsWithoutObservationEnterNeitherCoefficientNorLoss) {
  auto s = two_by_three();
  RecordingHost host;
  s->ssbrel[1] = 2;
  // Year 1 observed at half the model SSB (750 of 1500), year 2 zero, year 3 negative: only
  // year 1 counts, ind * k = SSB gives k = 2, and its residual is 0.
  s->ssbind[1] = {0, 750, 0, -3500};
  calcSSESSB(*s, host);
  EXPECT_NEAR(s->kssb[1], 2.0, kTol);
  EXPECT_NEAR(s->errssb[1], 0.0, kTol);

  // No observed year at all: k = 1, loss 0.
  s->ssbind[1] = {0, 0, -1, 0};
  calcSSESSB(*s, host);
  EXPECT_EQ(s->kssb[1], 1.0);
  EXPECT_EQ(s->errssb[1], 0.0);
}

TEST(CalcSSESSB, NoSurveyLooksUpNothing) {
  auto s = two_by_three();
  RecordingHost host;
  s->maturity_loaded = false;  // a lookup would now read a file that does not exist
  s->totalinds = 0;
  s->errssb[1] = 7;
  EXPECT_NO_THROW(calcSSESSB(*s, host));
  EXPECT_EQ(s->errssb[1], 7);  // surveys beyond the count keep their values
}

TEST(CalcSSESSB, AnExploitationRateOfExactlyOneIsAnArithmeticFault) {
  auto s = two_by_three();
  RecordingHost host;
  s->ssbrel[1] = 1;
  s->ssbind[1] = {0, 1500, 2000, 3500};
  s->PHY(3, 2) = 1;
  EXPECT_THROW(calcSSESSB(*s, host), ArithmeticFault);
}

}  // namespace
}  // namespace quorvane
