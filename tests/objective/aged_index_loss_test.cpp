#include "objective/aged_index_loss.h"

#include <gtest/gtest.h>

#include "base/errors.h"
#include "tests/support/recording_host.h"
#include "tests/support/small_block.h"

namespace quorvane {
namespace {

using testing::fill_block;
using testing::fill_by_age;
using testing::keep_fleet;
using testing::keep_maturity;
using testing::RecordingHost;
using testing::small_block;

constexpr double kTol = 1e-12;
constexpr double kSurvival = 0.8187307530779818;  // e^-0.2

// Ages 2..4 by years 1..4, N = 1000, M = 0.2 and PHY = 1 - e^-0.2: Z = 0.4, and a survey at
// mid-year sees e^-0.2 of the stock. The index is 1000 e^e with e = 0.1, -0.1, 0.5, -0.5 by year
// at ages 2 and 3 and +-0.3 at age 4: raw residual -0.2 - e, ln q = -0.2 at every age,
// corrected residual -e. SSE over every cell: 2 (0.01 + 0.01 + 0.25 + 0.25) + 4 * 0.09 = 1.40.
// The one catch, (2,1), is 110 against a prediction 0.1 * 1 * 1000 = 100.
std::unique_ptr<RunState> three_by_four(int fleets = 1) {
  auto s = small_block(3, 4);
  fill_block(*s, s->N, 1000);
  fill_block(*s, s->PHY, 0.18126924692201818);
  fill_block(*s, s->s, 0.1);
  for (int y = 1; y <= 4; ++y) s->f[y] = 1;
  s->C(2, 1) = 110;
  keep_maturity(*s, {1, 1, 1});
  s->totalind = static_cast<std::int16_t>(fleets);
  s->centralel = 2;
  for (int k = 1; k <= fleets; ++k) {
    const double e1 = 1105.1709180756477, e_1 = 904.8374180359596;  // 1000 e^0.1, e^-0.1
    const double e5 = 1648.7212707001281, e_5 = 606.5306597126335;
    const double e3 = 1349.858807576003, e_3 = 740.8182206817179;
    keep_fleet(*s, k, {{e1, e_1, e5, e_5}, {e1, e_1, e5, e_5}, {e3, e_3, e3, e_3}});
    s->indtime[k] = 0.5;
    s->indtype[k] = 1;
    s->qest[k] = 1;
    s->indcomp[k] = 1;
    s->indmin[k] = 2;
  }
  return s;
}

TEST(CalcSSEIndex, SseUsesEveryResidualMdnNeitherOldestAgeNorLastYear) {
  auto s = three_by_four(2);
  RecordingHost host;
  s->indmin[2] = 1;
  calcSSEindex(*s, host);
  for (int a = 2; a <= 4; ++a) EXPECT_NEAR(s->q[a][1], kSurvival, kTol);
  EXPECT_NEAR(s->errind[1], 1.40, kTol);
  // MDN sample: ages 2-3 by years 1-3, squares 0.01, 0.01, 0.25 twice; c = 2 averages the 3rd
  // and 4th sorted values, both 0.01: 100 * 0.01. The oldest age (0.09) or the last year
  // (0.25) would move the centre.
  EXPECT_NEAR(s->errind[2], 1.0, kTol);
  EXPECT_NEAR(s->SSET, 1.0, kTol);
  // The catch residuals are back: ln(110 / 100) = 0.0953101798043249, 0 without catch.
  EXPECT_NEAR(s->resid(2, 1), 0.09531017980432493, kTol);
  EXPECT_NEAR(s->resid2(2, 1), 0.009084030374332749, kTol);
  EXPECT_EQ(s->resid2(3, 3), 0.0);
}

TEST(CalcSSEIndex, MatureImmatureAndFixedCatchability) {
  RecordingHost host;
  auto mature = three_by_four();  // maturity 0, 0.5, 1 by age
  keep_maturity(*mature, {0, 0.5, 1});
  mature->indtype[1] = 2;
  calcSSEindex(*mature, host);
  EXPECT_EQ(mature->q[2][1], 1.0);  // no mature fish: no residual
  EXPECT_NEAR(mature->q[3][1], 0.5 * kSurvival, kTol);
  EXPECT_NEAR(mature->errind[1], 0.52 + 0.36, kTol);

  auto immature = three_by_four();
  keep_maturity(*immature, {0, 0.5, 1});
  immature->indtype[1] = 3;
  calcSSEindex(*immature, host);
  EXPECT_NEAR(immature->q[3][1], 0.5 * kSurvival, kTol);
  EXPECT_EQ(immature->q[4][1], 1.0);  // all mature: nothing to measure
  EXPECT_NEAR(immature->errind[1], 0.52 + 0.52, kTol);

  auto fixed = three_by_four();
  fixed->qest[1] = 2;
  calcSSEindex(*fixed, host);
  EXPECT_EQ(fixed->q[3][1], 1.0);
  // Residuals -0.2 - e: ages 2-3 0.09 + 0.01 + 0.49 + 0.09 each, age 4 2 (0.25 + 0.01).
  EXPECT_NEAR(fixed->errind[1], 1.36 + 0.52, kTol);
}

TEST(CalcSSEIndex, AnExploitationRateOfOneAnywhereInTheBlockIsAFault) {
  auto s = three_by_four();
  RecordingHost host;
  s->fleet_table[1](4, 4) = -1;  // not even observed
  s->PHY(4, 4) = 1;
  EXPECT_THROW(calcSSEindex(*s, host), ArithmeticFault);
}

// Ages 2..5 by years 1..4: the sample is ages 2-4 by years 1-3, collected year by year.
std::unique_ptr<RunState> sample_block(std::int16_t loss) {
  auto s = small_block(4, 4);
  s->curind = 1;
  s->indmin[1] = loss;
  s->centralel = 4;
  fill_block(*s, s->resid, 1);
  fill_block(*s, s->resid2, 1000);  // stays in the oldest age and the last year
  return s;
}

TEST(MedianaInd, MdnOverOddAndEvenSamples) {
  auto s = sample_block(1);
  fill_by_age(*s, s->resid2, {{1, 4, 7}, {2, 5, 8}, {3, 6, 9}});
  medianaind(*s);
  EXPECT_NEAR(s->SSET, 500.0, kTol);  // nine values: positions 3, 4, 6, 7 -> 5
  fill_by_age(*s, s->resid2, {{1, 4, 7}, {2, 5, 8}, {3, 6, 9}});
  s->resid(4, 3) = 0;  // the last cell of the sample has no residual
  medianaind(*s);
  EXPECT_EQ(s->kmax, 8);
  EXPECT_NEAR(s->SSET, 450.0, kTol);  // 1..8: positions 3-6 -> 4.5
}

}  // namespace
}  // namespace quorvane
