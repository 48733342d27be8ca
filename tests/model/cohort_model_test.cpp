#include "model/cohort_model.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "base/errors.h"
#include "support/recording_host.h"
#include "support/small_block.h"

namespace quorvane {
namespace {

using testing::fill_ages;
using testing::fill_by_age;
using testing::fill_years;
using testing::RecordingHost;
using testing::small_block;

constexpr double kRel = 1E-12;         // hand values are written to 15-17 digits
constexpr double kExactCatch = 1E-12;  // residual of a cell that reproduces its catch

// e^0.2 = 1.2214027581601699.
//
// The common block: ages 3, 4, 5 (indices 2, 3, 4), years 2000..2002 (indices 1, 2, 3), normal
// last age, M = 0.2, catch at the start of the year (part = 0, so e^(M part) = 1).
// s1 = (0.2, 0.4, 0.4), f = 0.5 in every year: p = 0.1 at age 3, 0.2 at ages 4 and 5.
//            2000  2001  2002
//   age 3      50     0   100
//   age 4     200   150   200
//   age 5     300   250   150
// Point equation (N = C / p): terminal year N(3..5, 2002) = 1000, 1000, 750; the oldest age
// N(5, 2000..2002) = 1500, 1250, 750. The recursion computes ages 4 and 3.
std::unique_ptr<RunState> common_block() {
  auto s = small_block(3, 3);
  fill_ages(*s, s->s1, {0.2, 0.4, 0.4});
  fill_ages(*s, s->s2, {0.2, 0.4, 0.4});
  fill_years(*s, s->f, {0.5, 0.5, 0.5});
  fill_by_age(*s, s->C, {{50, 0, 100}, {200, 150, 200}, {300, 250, 150}});
  return s;
}

void run(RunState& s) {
  RecordingHost host(false);
  CALCSTOCK(s, host);
}

std::string fault_of(RunState& s) {
  try {
    run(s);
  } catch (const ArithmeticFault& e) {
    return e.what();
  }
  return "no fault";
}

TEST(CohortModel, CatchControlledRecursionReproducesHandValues) {
  auto s = common_block();
  run(*s);
  EXPECT_EQ(s->agemaxa, 3);
  EXPECT_DOUBLE_EQ(s->N(4, 1), 1500.0);
  EXPECT_DOUBLE_EQ(s->N(2, 3), 1000.0);
  // N(4,2001) = 750 e^0.2 + 150 = 1066.0520686201276
  EXPECT_NEAR(s->N(3, 2), 1066.0520686201276, 1066 * kRel);
  // N(4,2000) = 1250 e^0.2 + 200 = 1726.7534477002123
  EXPECT_NEAR(s->N(3, 1), 1726.7534477002123, 1726 * kRel);
  // N(3,2000) = 1066.0520686201276 e^0.2 + 50 = 1352.0789369549784
  EXPECT_NEAR(s->N(2, 1), 1352.0789369549784, 1352 * kRel);
  // resid(4,2001) = ln 150 - ln(0.2 * 1066.0520686) = -0.35164424186196985
  EXPECT_NEAR(s->resid(3, 2), -0.35164424186196985, kRel);
  EXPECT_NEAR(s->resid2(3, 2), 0.35164424186196985 * 0.35164424186196985, kRel);
  // The terminal year and the oldest age reproduce their catch.
  EXPECT_NEAR(s->resid(2, 3), 0.0, kExactCatch);
  EXPECT_NEAR(s->resid(4, 1), 0.0, kExactCatch);
  // SSE: resid(3,2000)^2 + resid(4,2000)^2 + resid(4,2001)^2
  //    = 0.99479054^2 + 0.54624303^2 + 0.35164424^2 = 1.4116433379308457
  EXPECT_NEAR(s->SSET, 1.4116433379308457, kRel);
}

TEST(CohortModel, ZeroCatchCellCarriesTheSurvivorsBackInEveryMode) {
  for (int mode = 1; mode <= 4; ++mode) {
    auto s = common_block();
    s->n5 = static_cast<std::int16_t>(mode);
    s->part = 0.5;
    run(*s);
    // N(4,2002) = 200 / 0.2 e^(0.2 * 0.5) by the point equation; then, in every mode,
    // N(3,2001) = N(4,2002) e^0.2 = 1000 e^0.3 = 1349.858807576003
    EXPECT_NEAR(s->N(2, 2), 1349.858807576003, 1349 * kRel) << "mode " << mode;
    EXPECT_EQ(s->resid(2, 2), 0.0) << "mode " << mode;
    EXPECT_EQ(s->resid2(2, 2), 0.0) << "mode " << mode;
  }
}

// Both solutions miss the catch by errors in the ratio e2 / e1 = 1 / (1 - p)^2, so the weight of
// the catch-controlled solution is mix = 1 / (1 + (1 - p)^2), independent of the cell's numbers.
TEST(CohortModel, WeightedModeKeepsTheWeightsOfTheLastCellWithCatch) {
  auto s = common_block();
  s->n5 = 4;
  s->mix = 0.5;
  fill_by_age(*s, s->C, {{0, 100, 100}, {200, 150, 200}, {300, 250, 150}});
  run(*s);
  // The recursion ends at (3, 2000), which has no catch; the last cell with catch is (3, 2001),
  // p = 0.1: mix = 1 / 1.81 = 0.5524861878453039.
  EXPECT_NEAR(s->mix, 0.5524861878453039, kRel);
  EXPECT_NEAR(s->rekv2 / s->rekv1, 1 / 0.81, 1E-9);
  // Nc = 1000 e^0.2 + 100 = 1321.40275816017, Ne = 1000 e^0.2 / 0.9 = 1357.1141757335222,
  // N = 0.55248619 Nc + 0.44751381 Ne = 1337.384110775869
  EXPECT_NEAR(s->N(2, 2), 1337.384110775869, 1337 * kRel);
  // The cell before it, (4, 2000) with p = 0.2, weighs by 1 / 1.64 = 0.6097560975609756:
  // Nc = 1250 e^0.2 + 200 = 1726.7534477, Ne = 1908.4418096,
  // N = 0.6097561 Nc + 0.3902439 Ne = 1797.6562230855989
  EXPECT_NEAR(s->N(3, 1), 1797.6562230855989, 1797 * kRel);
}

// Ages 3 and 4, years 2000 and 2001, M = 0.2, part = 0.5, p = 0.2 everywhere. C(4,2001) = 100
// gives N' = N(4,2001) = 100 / 0.2 e^0.1 = 552.5854590378239. The catch of (3,2000) is the one
// the effort-controlled solution predicts to the last bit, 0.2 Ne e^-0.1 with
// Ne = N' e^0.2 / 0.8 = 843.661754735002; the catch-controlled solution, mathematically the
// same, misses it by rounding only (e1 = 8E-28).
TEST(CohortModel, WeightedModeTakesTheEffortSolutionWhenItsErrorIsZero) {
  auto s = small_block(2, 2);
  s->n5 = 4;
  s->part = 0.5;
  fill_ages(*s, s->s1, {0.4, 0.4});
  fill_years(*s, s->f, {0.5, 0.5});
  fill_by_age(*s, s->C, {{152.67534477002124, 120}, {130, 100}});
  run(*s);
  EXPECT_EQ(s->rekv2, 0.0);
  EXPECT_GT(s->rekv1, 0.0);
  EXPECT_EQ(s->mix, 0.0);
  EXPECT_NEAR(s->N(2, 1), 843.661754735002, 843 * kRel);

  // With C(4,2001) = 101 both solutions reproduce the catch exactly: no weight is defined.
  auto both = small_block(2, 2);
  both->n5 = 4;
  both->part = 0.5;
  fill_ages(*both, both->s1, {0.4, 0.4});
  fill_years(*both, both->f, {0.5, 0.5});
  fill_by_age(*both, both->C, {{154.20209821772144, 120}, {130, 101}});
  const std::string message = fault_of(*both);
  EXPECT_NE(message.find("CALCSTOCK"), std::string::npos) << message;
  EXPECT_NE(message.find("age 3, year 2000"), std::string::npos) << message;
}

// f(2001) = 3 makes p = 1.2 at ages 4 and 5 in 2001: the effort-controlled stock of (4, 2001)
// is 750 e^0.2 / (1 - 1.2) < 0, and becomes 10. Its cohort's younger cell (3, 2000) sees a
// negative N' and keeps what it held before the call.
TEST(CohortModel, ExploitationAboveOneGivesTheRepairedStockAndLeavesTheYoungerCell) {
  auto s = common_block();
  s->n5 = 2;
  fill_years(*s, s->f, {0.5, 3.0, 0.5});
  fill_by_age(*s, s->C, {{50, 80, 100}, {200, 150, 200}, {300, 250, 150}});
  s->N(2, 1) = 12345.0;
  run(*s);
  EXPECT_EQ(s->N(3, 2), 10.0);
  EXPECT_EQ(s->N(2, 1), 12345.0);
  // (3, 2001), p = 0.6: 1000 e^0.2 / 0.4 = 3053.5068954004246
  EXPECT_NEAR(s->N(2, 2), 3053.5068954004246, 3053 * kRel);
}

// Each fault names the procedure and the cell by its age and year labels. An exploitation rate
// of 1 and an unexploited terminal year are cases of the bad inputs catalogue
// (ExploitationRateOfOneInModeTwo, TerminalFOfZero, and CatchControlledNeighbour for the
// catch-controlled solution, which does not divide by 1 - p).
TEST(CohortModel, ANegativeTerminalFIsALogarithmFaultNamingTheCell) {
  // A negative terminal f: N(a,2002) = C / p < 0 is repaired to 10, then p N < 0.
  auto negative = common_block();
  negative->f[3] = -0.5;
  const std::string message = fault_of(*negative);
  EXPECT_NE(message.find("logarithm"), std::string::npos) << message;
  EXPECT_NE(message.find("at age 3, year 2002"), std::string::npos) << message;
}

// No catch in 2002. f(2001) takes the terminal f 0.6, so p = 0.12 at age 3 and 0.24 at ages 4
// and 5 in 2001. N(·,2002) = 0 sends every cell of 2001 to the point equation:
//   N(3,2001) = 80 / 0.12 = 666.6666666666667, N(4,2001) = 150 / 0.24 = 625
// and the projection brings the survivors into 2002:
//   N(4,2002) = (1 - 0.12) e^-0.2 666.67 = 480.32204180574945
//   N(5,2002) = (1 - 0.24) e^-0.2 625    = 388.89710771204136
TEST(CohortModel, LastYearWithoutCatchIsProjectedFromTheYearBefore) {
  auto s = common_block();
  fill_years(*s, s->f, {0.5, 0.4, 0.6});
  fill_by_age(*s, s->C, {{50, 80, 0}, {200, 150, 0}, {300, 250, 0}});
  run(*s);
  EXPECT_EQ(s->f[2], 0.6);
  EXPECT_NEAR(s->N(2, 2), 666.6666666666667, 666 * kRel);
  EXPECT_NEAR(s->N(3, 2), 625.0, 625 * kRel);
  // N(4,2000) = N(5,2001) e^0.2 + 200 = 250 / 0.24 e^0.2 + 200 = 1472.2945397501771
  EXPECT_NEAR(s->N(3, 1), 1472.2945397501771, 1472 * kRel);
  EXPECT_EQ(s->N(2, 3), 0.0);
  EXPECT_NEAR(s->N(3, 3), 480.32204180574945, 480 * kRel);
  EXPECT_NEAR(s->N(4, 3), 388.89710771204136, 388 * kRel);
  for (int a = 2; a <= 4; ++a) {
    EXPECT_EQ(s->resid(a, 3), 0.0);
    EXPECT_NEAR(s->resid(a, 2), 0.0, kExactCatch);
  }
}

// Method 4 tries s2 when there are two selection periods. An s2 trial of age 4 (code 53) at 0.6:
// age 5 copies it, the tail mean is 0.6; then the ages from 4 on are scaled by
// (1 - s2(3)) / (s2(4) + s2(5)) = 0.8 / 1.2: 0.6 -> 0.4, read back into PARAM1. s1 is not
// touched. (The s1 trials are the reference cases of Method 4.)
TEST(CohortModel, DirectSearchRenormalisesAnS2TrialAndReadsItBack) {
  auto s2 = common_block();
  s2->n21 = 4;
  s2->metka1 = 53;
  s2->PARAM1 = 0.6;
  fill_ages(*s2, s2->s1, {0.3, 0.5, 0.5});
  run(*s2);
  EXPECT_NEAR(s2->s2[3], 0.4, 1E-15);
  EXPECT_EQ(s2->PARAM1, s2->s2[3]);
  EXPECT_EQ(s2->s1[3], 0.5);
}

TEST(CohortModel, StoppedRunChangesNothing) {
  auto s = common_block();
  s->userend = 1;
  s->N(3, 2) = 5.0;
  const AgeYearTable before = s->N;
  RecordingHost host(true);
  CALCSTOCK(*s, host);
  EXPECT_EQ(host.yields, 1);
  EXPECT_TRUE(s->N == before);
  EXPECT_EQ(s->SSET, 0.0);
  EXPECT_TRUE(host.calls.empty());
}

TEST(CohortModel, ShowsTheCatchLossOnTheProgressWindow) {
  auto s = common_block();
  s->scron = 1;
  s->bootn = 3;
  RecordingHost host(true);
  CALCSTOCK(*s, host);
  // SSET = 1.41164... rounded to three decimals.
  const std::vector<std::string> expected = {
      "at 8000,1",    "print [                ]", "at 8000,1",    "print [ 1.412 ]",
      "at 4000,6400", "print [boot N:]",          "at 5000,6400", "print [ 3 ]"};
  EXPECT_EQ(host.calls, expected);

  RecordingHost silent(false);
  CALCSTOCK(*s, silent);
  EXPECT_TRUE(silent.calls.empty());
}

}  // namespace
}  // namespace quorvane
