#include "objective/generation_factors.h"

#include <gtest/gtest.h>

#include "tests/support/small_block.h"

namespace quorvane {
namespace {

using testing::fill_block;
using testing::fill_by_age;
using testing::small_block;

constexpr double kTol = 1e-13;

// Ages 2..4 by years 1..`years`, s = f = 1 so that the raw ratio is PHY itself, the whole block
// in the window, catch in every year, no smoothing.
std::unique_ptr<RunState> block(int years,
                                std::initializer_list<std::initializer_list<double>> phy) {
  auto s = small_block(3, years);
  s->n21 = static_cast<std::int16_t>(Method::Nonlog);
  s->tragemin = 2;
  s->tragemax = 4;
  s->eachyearnormir = 2;
  s->smoother = 0;
  fill_block(*s, s->C, 1);
  fill_block(*s, s->s, 1);
  for (int y = 1; y <= years; ++y) s->f[y] = 1;
  fill_by_age(*s, s->PHY, phy);
  return s;
}

// The cohort means (geometric for the log method), the age window, the normalisation to mean 1,
// the yearly rescaling and the smoothing are pinned digit for digit by every reference case with
// generation factors (default, boot4, method1_mdn, method1_amd_mode4, method4_sse_precise,
// mixed_fleet_kinds, ...); no reference stock has a last year without catch.
TEST(Triple, ALastYearWithoutCatchLeavesTheLastTwoYearsOutOfTheMeans) {
  // d = 1 holds (2,2) 0.8 and (3,3) 0.4; d = 0 holds (2,1) 0.2, (3,2) 0.4, (4,3) 0.9.
  auto make = [](double last_catch) {
    auto s = block(4, {{0.2, 0.8, 0.9, 0.9}, {0.5, 0.4, 0.4, 0.9}, {0.9, 0.7, 0.9, 0.9}});
    for (int a = 2; a <= 4; ++a) s->C(a, 4) = last_catch;
    TRIPLE(*s);
    return s;
  };
  auto caught = make(1);  // ratios to (2,4), a last-year cell set to 1
  EXPECT_EQ(caught->trayearmax, 4);
  EXPECT_NEAR(caught->gfactor(2, 2) / caught->gfactor(2, 4), 0.6, kTol);
  EXPECT_NEAR(caught->gfactor(4, 3) / caught->gfactor(2, 4), 0.5, kTol);
  auto empty = make(0);
  EXPECT_EQ(empty->trayearmax, 3);
  EXPECT_NEAR(empty->gfactor(2, 2) / empty->gfactor(2, 4), 1.0, kTol);  // now alone
  EXPECT_NEAR(empty->gfactor(4, 3) / empty->gfactor(2, 4), 1.0, kTol);  // year 3 is out
  EXPECT_NEAR(empty->gfactor(2, 1) / empty->gfactor(2, 4), 0.3, kTol);
}

}  // namespace
}  // namespace quorvane
