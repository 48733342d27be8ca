#include "objective/aged_index_loss.h"

#include <gtest/gtest.h>

#include "state/errors.h"
#include "tests/support/objective_fixture.h"
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

// e^-0.2: the survival to the survey time below, and the catchability of the whole stock.
constexpr double kSurvival = 0.8187307530779818;

// Three ages (indices 2..4) by four years, N = 1000 everywhere, M = 0.2 and PHY = 1 - e^-0.2,
// so Z = 0.4 and a survey at mid-year sees e^-0.2 of the stock. The fleet's index is
// 1000 e^e with e = 0.1, -0.1, 0.5, -0.5 by year at ages 2 and 3 and 0.3, -0.3, 0.3, -0.3 at
// age 4: the raw residual is -0.2 - e, ln q = -0.2 at every age and the corrected residual is
// -e. SSE over every cell: 2 * (0.01 + 0.01 + 0.25 + 0.25) + 4 * 0.09 = 1.40.
// One catch cell, (2,1), has catch 110 against a prediction 0.1 * 1 * 1000 = 100.
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
    keep_fleet(*s, k,
               {{1105.1709180756477, 904.8374180359596, 1648.7212707001281, 606.5306597126335},
                {1105.1709180756477, 904.8374180359596, 1648.7212707001281, 606.5306597126335},
                {1349.858807576003, 740.8182206817179, 1349.858807576003, 740.8182206817179}});
    s->indtime[k] = 0.5;
    s->indtype[k] = 1;
    s->qest[k] = 1;
    s->indcomp[k] = 1;
    s->indmin[k] = 2;
  }
  return s;
}

TEST(CalcSSEIndex, WholeStockIndexGivesCatchabilityAndSumOfSquaresOverEveryResidual) {
  auto s = three_by_four();
  RecordingHost host;
  s->SSET = 42;
  calcSSEindex(*s, host);
  for (int a = 2; a <= 4; ++a) EXPECT_NEAR(s->q[a][1], kSurvival, kTol) << "age index " << a;
  EXPECT_NEAR(s->errind[1], 1.40, kTol);
  EXPECT_EQ(s->SSET, 42);  // SSE does not go through the central-values register
  // The catch residuals are back: ln(110 / 100) = 0.0953101798043249, elsewhere 0.
  EXPECT_NEAR(s->resid(2, 1), 0.09531017980432493, kTol);
  EXPECT_NEAR(s->resid2(2, 1), 0.009084030374332749, kTol);
  EXPECT_EQ(s->resid(4, 4), 0.0);
  EXPECT_EQ(s->resid2(3, 3), 0.0);
  // The index in hand is the fleet's table as read.
  EXPECT_EQ(s->ind(2, 3), 1648.7212707001281);
}

TEST(CalcSSEIndex, CentralValuesLeaveOutTheOldestAgeAndLastYearWhileSseUsesThem) {
  auto s = three_by_four(2);
  RecordingHost host;
  s->indmin[2] = 1;
  calcSSEindex(*s, host);
  EXPECT_NEAR(s->errind[1], 1.40, kTol);
  // MDN sample: ages 2-3, years 1-3, squares 0.01, 0.01, 0.25 twice; with c = 2 the 3rd and
  // 4th of six sorted values, both 0.01: 100 * 0.01 = 1. Counting the oldest age (0.09) or the
  // last year (0.25) would move the centre.
  EXPECT_NEAR(s->errind[2], 1.0, kTol);
  EXPECT_NEAR(s->SSET, 1.0, kTol);  // the last MDN/AMD fleet's loss
  EXPECT_EQ(s->kmax, 6);
}

TEST(CalcSSEIndex, MatureAndImmatureIndicesMeasureOnlyTheirPartOfTheStock) {
  // Maturity 0, 0.5, 1 by age.
  auto mature = three_by_four();
  RecordingHost host;
  keep_maturity(*mature, {0, 0.5, 1});
  mature->indtype[1] = 2;
  calcSSEindex(*mature, host);
  EXPECT_EQ(mature->q[2][1], 1.0);  // no mature fish: no residual, q = 1
  EXPECT_NEAR(mature->q[3][1], 0.5 * kSurvival, kTol);
  EXPECT_NEAR(mature->q[4][1], kSurvival, kTol);
  EXPECT_NEAR(mature->errind[1], 0.52 + 0.36, kTol);

  auto immature = three_by_four();
  keep_maturity(*immature, {0, 0.5, 1});
  immature->indtype[1] = 3;
  calcSSEindex(*immature, host);
  EXPECT_NEAR(immature->q[2][1], kSurvival, kTol);
  EXPECT_NEAR(immature->q[3][1], 0.5 * kSurvival, kTol);
  EXPECT_EQ(immature->q[4][1], 1.0);  // all mature: nothing immature to measure
  EXPECT_NEAR(immature->errind[1], 0.52 + 0.52, kTol);
}

TEST(CalcSSEIndex, FixedCatchabilityKeepsTheRawLogDifferences) {
  auto s = three_by_four();
  RecordingHost host;
  s->qest[1] = 2;
  calcSSEindex(*s, host);
  for (int a = 2; a <= 4; ++a) EXPECT_EQ(s->q[a][1], 1.0);
  // Residuals -0.2 - e: ages 2-3 0.09 + 0.01 + 0.49 + 0.09 = 0.68 each, age 4 2 * (0.25 + 0.01).
  EXPECT_NEAR(s->errind[1], 1.36 + 0.52, kTol);
}

TEST(CalcSSEIndex, IndexProportionsAgainstNumbersPutTheProportionsIntoQ) {
  auto s = three_by_four();
  RecordingHost host;
  // Index 1, 1, 2 every year: proportions 0.25, 0.25, 0.5 against 1000 e^-0.2 fish at survey
  // time: q = 4000 e^-0.2 = 3274.92301231193 and 2000 e^-0.2 = 1637.46150615596.
  keep_fleet(*s, 1, {{1, 1, 1, 1}, {1, 1, 1, 1}, {2, 2, 2, 2}});
  s->indcomp[1] = 2;
  calcSSEindex(*s, host);
  EXPECT_NEAR(s->q[2][1] / 3274.9230123119273, 1.0, kTol);
  EXPECT_NEAR(s->q[3][1] / 3274.9230123119273, 1.0, kTol);
  EXPECT_NEAR(s->q[4][1] / 1637.4615061559637, 1.0, kTol);
  EXPECT_NEAR(s->errind[1], 0.0, kTol);
  EXPECT_EQ(s->fleet_table[1](4, 1), 2.0);  // proportions only in the copy in hand
}

TEST(CalcSSEIndex, ProportionsAgainstModelProportionsRecordTheYearlyModelTotals) {
  auto s = three_by_four();
  RecordingHost host;
  // Stock 1000, 1000, 2000 by age (doubled in year 2): model shares 0.25, 0.25, 0.5. Index
  // 2, 3, 4: shares 2/9, 3/9, 4/9. q = model share / index share = 1.125, 0.75, 1.125.
  fill_by_age(*s, s->N,
              {{1000, 2000, 1000, 1000}, {1000, 2000, 1000, 1000}, {2000, 4000, 2000, 2000}});
  keep_fleet(*s, 1, {{2, 2, 2, 2}, {3, 3, 3, 3}, {4, 4, 4, 4}});
  s->indcomp[1] = 3;
  calcSSEindex(*s, host);
  EXPECT_NEAR(s->q[2][1], 1.125, kTol);
  EXPECT_NEAR(s->q[3][1], 0.75, kTol);
  EXPECT_NEAR(s->q[4][1], 1.125, kTol);
  EXPECT_NEAR(s->errind[1], 0.0, kTol);
  // Model totals at survey time: 4000 e^-0.2 = 3274.92301231193, year 2 twice that.
  EXPECT_NEAR(s->sumabund[1][1] / 3274.9230123119273, 1.0, kTol);
  EXPECT_NEAR(s->sumabund[2][1] / 6549.846024623855, 1.0, kTol);
}

TEST(CalcSSEIndex, AnExploitationRateOfOneAnywhereInTheBlockIsAFault) {
  auto s = three_by_four();
  RecordingHost host;
  s->fleet_table[1](4, 4) = -1;  // no observation in that cell
  s->PHY(4, 4) = 1;
  EXPECT_THROW(calcSSEindex(*s, host), ArithmeticFault);
}

// Four ages (indices 2..5) by four years; the sample is ages 2-4 by years 1-3, taken year by
// year. Every residual is non-zero; the oldest age and the last year hold 1000.
std::unique_ptr<RunState> sample_block(std::int16_t loss) {
  auto s = small_block(4, 4);
  s->curind = 1;
  s->indmin[1] = loss;
  s->centralel = 4;
  fill_block(*s, s->resid, 1);
  fill_block(*s, s->resid2, 1000);
  return s;
}

TEST(MedianaInd, CentralMeanOfTheSampleWithOddAndEvenSizes) {
  auto s = sample_block(1);
  // 1..9 in collection order: y1 ages 2-4 = 1, 2, 3; y2 = 4, 5, 6; y3 = 7, 8, 9.
  fill_by_age(*s, s->resid2, {{1, 4, 7, 1000}, {2, 5, 8, 1000}, {3, 6, 9, 1000}});
  medianaind(*s);
  // Nine values, c = 4: positions 3, 4, 6, 7 = (3 + 4 + 6 + 7) / 4 = 5; MDN = 500.
  EXPECT_EQ(s->kmax, 9);
  EXPECT_NEAR(s->SSET, 500.0, kTol);

  // The last cell of the sample has no residual: 1..8 remain, positions 3-6, 4.5 -> 450.
  fill_by_age(*s, s->resid2, {{1, 4, 7, 1000}, {2, 5, 8, 1000}, {3, 6, 9, 1000}});
  s->resid(4, 3) = 0;
  medianaind(*s);
  EXPECT_EQ(s->kmax, 8);
  EXPECT_NEAR(s->SSET, 450.0, kTol);
}

TEST(MedianaInd, AbsoluteDeviationsAroundTheCentreOfTheRawResiduals) {
  auto s = sample_block(3);
  fill_by_age(*s, s->resid,
              {{-3.5, -0.5, 2.5, 9}, {-2.5, 1, 3.5, 9}, {-1.5, 1.5, 4.5, 9}, {9, 9, 9, 9}});
  medianaind(*s);
  // First pass: sorted -3.5 .. 4.5, positions 3, 4, 6, 7 = -1.5, -0.5, 1.5, 2.5: centre 0.5.
  // Deviations 4, 3, 2, 1, 0.5, 1, 2, 3, 4 sorted 0.5 1 1 2 2 3 3 4 4: (1 + 2 + 3 + 3) / 4.
  EXPECT_NEAR(s->SSET, 225.0, kTol);
  EXPECT_EQ(s->popa, 2);
  EXPECT_NEAR(s->resid2(2, 1), 4.0, kTol);    // the sample area holds the deviations
  EXPECT_EQ(s->resid2(5, 1), 1000.0);         // the oldest age is untouched
}

TEST(IndDetrend, EachYearBecomesProportionsOfItsObservedAges) {
  auto s = small_block(3, 2);
  fill_by_age(*s, s->ind, {{2, 0}, {-1, 1}, {6, 3}});
  inddetrend(*s);
  EXPECT_EQ(s->ind(2, 1), 0.25);
  EXPECT_EQ(s->ind(3, 1), -1.0);  // no observation: left alone, not counted
  EXPECT_EQ(s->ind(4, 1), 0.75);
  EXPECT_EQ(s->ind(2, 2), 0.0);
  EXPECT_EQ(s->ind(3, 2), 0.25);
}

}  // namespace
}  // namespace quorvane
