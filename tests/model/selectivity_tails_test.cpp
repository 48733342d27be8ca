#include "model/selectivity_tails.h"

#include <gtest/gtest.h>

#include "base/errors.h"
#include "support/small_block.h"

namespace quorvane {
namespace {

using testing::fill_ages;
using testing::small_block;

// Ages 3..7 (indices 2..6); with a plus group the tail is indices 4, 5, 6.
std::unique_ptr<RunState> tail_block(std::int16_t method, std::int16_t last_age) {
  auto s = small_block(5, 3);
  s->n21 = method;
  s->n3 = last_age;
  fill_ages(*s, s->s1, {0.05, 0.1, 0.2, 0.3, 0.4});
  fill_ages(*s, s->s2, {0.05, 0.1, 0.1, 0.1, 0.1});
  return s;
}

TEST(SelectivityTails, ArithmeticMeanOverThePlusGroupTail) {
  for (std::int16_t method : {1, 3, 4}) {
    auto s = tail_block(method, 1);
    prirtails(*s);
    EXPECT_EQ(s->agemaxa, 4);
    for (int a = 4; a <= 6; ++a) {
      EXPECT_NEAR(s->s1[a], 0.3, 1E-15) << "method " << method;  // (0.2 + 0.3 + 0.4) / 3
      EXPECT_NEAR(s->s2[a], 0.1, 1E-15) << "method " << method;
    }
    EXPECT_EQ(s->s1[3], 0.1);  // below the tail
  }
}

// The geometric mean of the log method (Method 2) is pinned by the reference cases default,
// mode2_normal_last_age_catch_only and, for s2, alfa_scan_two_periods_boot2 and
// two_periods_mode4_normal_age_catch_only. The arithmetic s2 of two periods and the normal last
// age of the arithmetic methods are not.
TEST(SelectivityTails, NormalLastAgeSharesTwoAges) {
  auto s = tail_block(1, 2);
  prirtails(*s);
  EXPECT_EQ(s->agemaxa, 5);
  EXPECT_EQ(s->s1[4], 0.2);
  EXPECT_NEAR(s->s1[5], 0.35, 1E-15);
  EXPECT_NEAR(s->s1[6], 0.35, 1E-15);
}

TEST(SelectivityTails, LogMethodStopsAtAZeroFactor) {
  auto s = tail_block(2, 1);
  s->s1[5] = 0.0;
  try {
    prirtails(*s);
    FAIL() << "no fault";
  } catch (const ArithmeticFault& e) {
    EXPECT_NE(std::string(e.what()).find("prirtails"), std::string::npos);
    EXPECT_NE(std::string(e.what()).find("age 6"), std::string::npos);
  }
}

}  // namespace
}  // namespace quorvane
