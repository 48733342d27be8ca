#include "objective/whole_objective.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "base/errors.h"
#include "base/print.h"
#include "tests/support/files.h"
#include "tests/support/recording_host.h"
#include "tests/support/small_block.h"

namespace quorvane {
namespace {

using testing::fill_ages;
using testing::keep_maturity;
using testing::RecordingHost;
using testing::slurp;
using testing::small_block;
using TempDir = testing::ScratchDir;

std::string blanks(int n) { return std::string(static_cast<std::size_t>(n), ' '); }

TEST(Normaliz, EachPeriodFactorSumsToOneAndAZeroSumIsAFault) {
  auto s = small_block(3, 2);
  fill_ages(*s, s->s1, {1, 2, 5});
  fill_ages(*s, s->s2, {2, 2, 4});
  normaliz(*s);
  EXPECT_EQ(s->s1[2], 0.125);
  EXPECT_EQ(s->s1[4], 0.625);
  EXPECT_EQ(s->s2[4], 0.5);
  fill_ages(*s, s->s2, {0.5, -0.5, 0});
  EXPECT_THROW(normaliz(*s), ArithmeticFault);
}

// Methods 1-3 compare losses in units of 0.00001 rounded with ties to even; 5E-6 * 100000 is
// exactly 0.5 in doubles and 1.5E-5 * 100000 exactly 1.5.
TEST(FixedPointStoppingTest, FifthDecimalTestRoundsHalvesToEvenAndConvertsOnlyWhenReached) {
  EXPECT_FALSE(fixed_point_continues(2, 2, 5e-6, 0, 0));        // 0.5 -> 0
  EXPECT_FALSE(fixed_point_continues(2, 2, -5e-6, 0, 0));       // -0.5 -> 0
  EXPECT_TRUE(fixed_point_continues(2, 2, 1.5e-5, 1.5e-5, 0));  // 1.5 -> 2, older loss only
  EXPECT_TRUE(fixed_point_continues(2, 1, 7, 7, 7));            // the first pass always goes on
  // 21474.83647 * 100000 rounds to 2147483647, the largest 32-bit value; one unit more faults.
  EXPECT_TRUE(fixed_point_continues(2, 2, 21474.83647, 0, 0));
  EXPECT_THROW(fixed_point_continues(2, 2, 21474.83648, 0, 0), ArithmeticFault);
  // Left to right: a decided test never converts the huge difference after it.
  EXPECT_TRUE(fixed_point_continues(2, 1, 1e12, 0, 0));
  EXPECT_TRUE(fixed_point_continues(2, 2, 1, 0.5, 1e12));
  EXPECT_THROW(fixed_point_continues(2, 2, 1, 1, 1e12), ArithmeticFault);
}

TEST(FixedPointStoppingTest, DirectSearchGoesOnOnlyWhileTheLossFallsByMoreThanAMillionth) {
  EXPECT_TRUE(fixed_point_continues(1, 2, 1.0, 1.0000011, 1.0));
  EXPECT_TRUE(fixed_point_continues(1, 2, 1.0, 1.0, 1.0000011));
  EXPECT_FALSE(fixed_point_continues(1, 2, 1.0, 1.0000009, 1.0000009));
  EXPECT_FALSE(fixed_point_continues(1, 2, 2.0, 1.0, 1.0));  // a rising loss stops Method 4
}

// Columns: f at 1, SSB 15, MC 30, ALFA 45, catch loss 60, survey 75, fleet 95, total 115.
TEST(SearchLogLine, ValuesInTheirColumnsZeroAsZeroNegativesLeaveTheColumnEmpty) {
  auto s = small_block(2, 2);
  s->f[s->yearmax] = 1.234567;  // "##.#####" -> 1.23457
  s->MC = 0;                    // the number 0
  s->LALFA = 0.123456789;       // "#.######" -> .123457
  s->SSEL = -0.000001;          // negative, though it rounds to 0: nothing
  s->totalinds = 1;
  s->errssb[1] = 2.5;
  s->totalind = 1;
  s->errind[1] = 0.000001;  // positive, rounds to 0
  s->SSEALL = 10.123456;
  PrintBuffer out;
  write_search_log_line(*s, 12345.678, out);
  EXPECT_EQ(out.str(), " 1.23457 " + blanks(5) + " 12345.68 " + blanks(5) + " 0 " + blanks(12) +
                           " .123457 " + blanks(6) + blanks(15) + " 2.5 " + blanks(15) + " 0 " +
                           blanks(17) + " 10.12346 \r\n");
}

// A stock that follows the model exactly: catch at the start of the year, M = 0.2, f = 1,
// age factors sel, normal last age, catch-controlled: N(a+1,y+1) = N(a,y) (1 - sel) e^-0.2 and
// C = sel N. The fixed point of the factor estimates is sel and f = 1.
std::unique_ptr<RunState> exact_stock(const TempDir& dir, double sel2, double sel3, double sel4) {
  auto s = small_block(3, 4);
  const double sel[5] = {0, 0, sel2, sel3, sel4};
  s->N(2, 1) = 1000;
  s->N(3, 1) = 800;
  s->N(4, 1) = 600;
  for (int y = 2; y <= 4; ++y) s->N(2, y) = 1000 + 100 * y;
  for (int y = 1; y <= 3; ++y)
    for (int a = 2; a <= 3; ++a) s->N(a + 1, y + 1) = s->N(a, y) * (1 - sel[a]) * std::exp(-0.2);
  for (int a = 2; a <= 4; ++a) {
    for (int y = 1; y <= 4; ++y) {
      s->C(a, y) = sel[a] * s->N(a, y);
      s->W(a, y) = 1;
      s->SW(a, y) = 1;
    }
  }
  keep_maturity(*s, {1, 1, 1});
  s->indssb = 2;
  s->indaged = 2;
  s->METKA = 1000;
  s->PARAM = 1;
  s->files.minim.create(dir.file("minim.out"));
  return s;
}

TEST(CalcStockAll, TheCarriedLossHistoryCanAllowOneMorePass) {
  TempDir dir;
  // The flat start is already the truth: every pass has a loss of about 0.
  RecordingHost same(false), other(false);
  auto s = exact_stock(dir, 1.0 / 3, 1.0 / 3, 1.0 / 3);
  s->SSETP = 0;  // an earlier evaluation ended at the same loss: two passes
  CALCSTOCKALL(*s, same);
  EXPECT_EQ(same.yields, 2);
  auto t = exact_stock(dir, 1.0 / 3, 1.0 / 3, 1.0 / 3);
  t->SSETP = 5;  // at another loss: the second test still sees it in SSETPP
  CALCSTOCKALL(*t, other);
  EXPECT_EQ(other.yields, 3);
}

TEST(CalcStockAll, WeightedComponentsAndOneLogLinePerEvaluationUnlessStopped) {
  TempDir dir;
  RecordingHost host(false);
  auto s = exact_stock(dir, 0.2, 0.4, 0.4);
  s->weca = 2;
  s->indssb = 1;
  s->totalinds = 1;
  s->ssbrel[1] = 1;
  s->ssbind[1] = {0, 100, 100, 100, 100};  // far from the stock
  s->wssb[1] = 0;                          // computed and logged, not added
  CALCSTOCKALL(*s, host);
  EXPECT_GT(s->errssb[1], 1.0);
  EXPECT_EQ(s->SSEALL, 2 * s->SSEL);
  s->userend = 1;  // a stop: nothing changes, nothing is logged
  s->PARAM = 3;
  CALCSTOCKALL(*s, host);
  EXPECT_EQ(s->f[4], 1.0);
  s->files.minim.close();
  const std::string log = slurp(dir.file("minim.out"));
  ASSERT_EQ(log.find("\r\n"), log.size() - 2);  // one line
  const std::string survey = format_real(rounded(s->errssb[1], "###0.#####"));
  EXPECT_EQ(log.substr(74, survey.size()), survey);  // the survey loss at column 75
  EXPECT_EQ(s->evaluations, 1);
}

}  // namespace
}  // namespace quorvane
